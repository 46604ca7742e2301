#!/bin/bash
# The main job: boot-report boots the virtual router on the factory defaults and shows
# what the router did, ending with one web request answered through the real broker.
source "$QAVO_SOURCE_DIR/sim/testlib.sh"

report=$("$QAVO_SOURCE_DIR/sim/boot-report" --stage "$QAVO_STAGE_DIR" --state "$vr_runs/report" --wait 2 2>&1)
expect_eq "report status" 0 "$?"
expect_eq "first line" "Virtual router boot: initqavo exit status 0" \
	"$(head -n 1 <<<"$report" | sed 's/, [0-9.]* s in all.*//')"

# The report shows the commands the boot really ran, in order (the boot sequence itself
# is checked command by command in boot_gateway_static).
VR_STATE=$vr_runs/report
initqavo_lines=$(awk '/^initqavo \(/ { on = 1; next } /^[^ ]/ { on = 0 } on' <<<"$report" | sed 's/^ *+[0-9.]* *\[[0-9]*\] //')
expect_lines "boot commands in the report" "$initqavo_lines" < <(sh_commands initqavo)
expect_eq "commands in a factory-default boot" 28 "$(grep -c . <<<"$initqavo_lines")"

reply=$(grep -A1 '^== Web request' <<<"$report" | tail -n 1)
expect_eq "web reply" '  {"lan_ipaddr":"192.168.1.1","HostName":"PELVANTO","OperationMode":"1"}' "$reply"
grep -q '^  /etc/udhcpd.conf (' <<<"$report" || vr_fail "report does not show the DHCP server configuration"
grep -q ' qv_broker -c /etc_ro/mosquitto.conf$' <<<"$report" || vr_fail "report does not show the broker running"
expect_eq "LED requests in the report" "system LED: line 9, blinking (initqavo)" \
	"$(sed -n '/^== LED requests/,/^$/p' <<<"$report" | sed -n 's/^ *+[0-9.]* *//p')"
grep -q '^  /tmp/UsbFlag: 0$' <<<"$report" || vr_fail "report does not show what the USB tool found"

[ "$vr_failures" = 0 ] || printf '%s\n' "$report" >&2
finish
