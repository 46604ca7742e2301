#!/bin/bash
# The main job: boot-report boots the virtual router on the factory defaults and shows
# what the router did, ending with one web request answered through the real broker.
source "$QAVO_SOURCE_DIR/sim/testlib.sh"

report=$("$QAVO_SOURCE_DIR/sim/boot-report" --stage "$QAVO_STAGE_DIR" --state "$vr_runs/report" --wait 2 2>&1)
expect_eq "report status" 0 "$?"
expect_eq "first line" "Virtual router boot: initqavo exit status 0" \
	"$(head -n 1 <<<"$report" | sed 's/, [0-9.]* s in all.*//')"

# Factory defaults: a DHCP WAN in gateway mode, so no firewall start and no NTP client.
initqavo_lines=$(awk '/^initqavo \(/ { on = 1; next } /^[^ ]/ { on = 0 } on' <<<"$report" | sed 's/^ *+[0-9.]* *\[[0-9]*\] //')
expect_lines "boot commands in the report" "$initqavo_lines" <<'LINES'
echo 0 > /tmp/wan_connection_status
echo 0 > /tmp/protect_process
internet.sh
echo -n bba836679bbdaaebe28ba21386038a01 >/var/qavomd5
echo 0 > /tmp/NTPValid
killall -q ntp
killall -q klogd
killall -q syslogd
syslogd -C8 1>/dev/null 2>&1
klogd 1>/dev/null 2>&1
ombix_networkconfig mtk7620 routinginit &
killall qv_broker 2> /dev/null
qv_broker -c /etc_ro/mosquitto.conf & 2> /dev/null
killall qavo_sub 2> /dev/null
qavo_sub -h 127.0.0.1 -t pelvanto/router/# &
ombix_networkconfig mtk7620 initwan &
ombix_networkconfig mtk7620 initlan &
echo -n 'eth2.2'>/var/wanInface
ombix_usbconfig mtk7620 init &
ombix_usbconfig mtk7620 doMount &
killall mon.sh 2> /dev/null
echo 1 > /tmp/protect_process
LINES

reply=$(grep -A1 '^== Web request' <<<"$report" | tail -n 1)
expect_eq "web reply" '  {"lan_ipaddr":"192.168.1.1","HostName":"PELVANTO","OperationMode":"1"}' "$reply"
grep -q '^  /etc/udhcpd.conf (' <<<"$report" || vr_fail "report does not show the DHCP server configuration"
grep -q ' qv_broker -c /etc_ro/mosquitto.conf$' <<<"$report" || vr_fail "report does not show the broker running"

[ "$vr_failures" = 0 ] || printf '%s\n' "$report" >&2
finish
