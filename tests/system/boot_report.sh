#!/bin/bash
# The main job: boot-report boots the virtual router on the factory defaults and shows
# what the router did, ending with one web request answered through the real broker.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

report=$("$QAVO_SOURCE_DIR/sim/vrouter/boot-report" --stage "$QAVO_STAGE_DIR" --state "$vr_runs/report" --wait 30 2>&1)
expect_eq "report status" 0 "$?"
expect_eq "first line" "Virtual router boot: initqavo exit status 0" \
	"$(head -n 1 <<<"$report" | sed 's/, [0-9.]* s in all.*//')"

# The report shows the commands the boot really ran, in order (the boot sequence itself
# is checked command by command by its unit test, tests/init).
VR_STATE=$vr_runs/report
initqavo_lines=$(awk '/^initqavo \(/ { on = 1; next } /^[^ ]/ { on = 0 } on' <<<"$report" | sed 's/^ *+[0-9.]* *\[[0-9]*\] //')
expect_lines "boot commands in the report" "$initqavo_lines" < <(sh_commands initqavo)
expect_eq "commands in a factory-default boot" 28 "$(grep -c . <<<"$initqavo_lines")"

reply=$(report_section "$report" 'Web request' | head -n 1)
expect_eq "web reply" '  {"lan_ipaddr":"192.168.1.1","HostName":"PELVANTO","OperationMode":"1"}' "$reply"
grep -q '^  /etc/udhcpd.conf (' <<<"$report" || vr_fail "report does not show the DHCP server configuration"
grep -q ' qv_broker -c /etc_ro/mosquitto.conf$' <<<"$report" || vr_fail "report does not show the broker running"
expect_eq "LED requests in the report" "system LED: line 9, blinking (initqavo)" \
	"$(report_section "$report" 'LED requests' | sed -n 's/^ *+[0-9.]* *//p')"
grep -q '^  /tmp/UsbFlag: 0$' <<<"$report" || vr_fail "report does not show what the USB tool found"
# The status page as headless Chromium showed it.
screenshot=$(sed -n 's/^  status page in headless Chromium: //p' <<<"$report")
[ "$(head -c 8 "$screenshot" 2> /dev/null | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
	vr_fail "report names no PNG screenshot of the status page"

# The factory defaults are a DHCP WAN: the router leases an address from the provider
# and routes through it; the report ends once the boot has settled, before the bound.
grep -qE '^  address: 10\.0\.2\.1[01][0-9]/24$' <<<"$report" || vr_fail "report shows no WAN lease"
grep -q '^  default route: default via 10\.0\.2\.2 dev eth2\.2' <<<"$report" || vr_fail "report shows no default route"
grep -qE '^== Processes left running when the boot settled \([0-9.]+ s after' <<<"$report" ||
	vr_fail "the boot did not settle within the bound"
[ "$vr_failures" = 0 ] || printf '%s\n' "$report" >&2

# A user's own settings: the PPPoE bring-up's commands and file; a setting the store
# refuses is named before the boot.
printf 'wan_pppoe_user_mm=me@isp\n# comment\n=no-key\n' > "$vr_runs/settings"
report=$("$QAVO_SOURCE_DIR/sim/vrouter/boot-report" --stage "$QAVO_STAGE_DIR" --state "$vr_runs/pppoe" --wait 30 \
	--set wanConnectionMode=PPPOE --set 'wan_pppoe_pass=two words' --settings "$vr_runs/settings" 2>&1)
expect_lines "refusals before the boot" "$(sed -n '1,2p' <<<"$report")" <<'LINES'
Settings left out of the boot:
  '=no-key': refused by the store
LINES
grep -q '\] pppd file /etc/options.pppoe > /tmp/pppoeConnectInfo &$' <<<"$report" || vr_fail "no pppd command in the report"
grep -q '^  /etc/options.pppoe (.*user me@isp.password "two words"' <<<"$report" || vr_fail "no PPPoE options in the report"
[ "$vr_failures" = 0 ] || printf '%s\n' "$report" >&2
finish
