#!/bin/bash
# First boot of a gateway with a static WAN and NTP on, factory defaults
# otherwise: initqavo's exact commands and the state files it leaves.
# Factory MAC repair, the wireless defaults and the web language link are
# placeholders in initqavo for now, so none of their commands appear here.
source "$QAVO_SOURCE_DIR/sim/testlib.sh"

vr_run --set OperationMode=1 --set wanConnectionMode=STATIC --set NTPClientEnabled=1 -- initqavo
expect_eq "exit status" 0 "$VR_STATUS"

# The identity digest is MD5 of br0's address in lower case.
digest=$(printf %s 00:0c:43:76:20:00 | md5sum | cut -d' ' -f1)
expect_log_lines initqavo <<LINES
echo 0 > /tmp/wan_connection_status
echo 0 > /tmp/protect_process
internet.sh
iwpriv ra0 e2p >/tmp/e2p
rm -f /tmp/e2p
ombix_wificonfig mtk7620 init2g &
killall rt2860apd 1>/dev/null 2>&1
ombix_firewallconfig mtk7620 initfw &
echo -n $digest >/var/qavomd5
echo 0 > /tmp/NTPValid
killall -q ntp
ntp.sh &
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
rm -rf /etc_ro/web/js/language.js 1>/dev/null 2>&1
ln -s /etc_ro/web/js/language_en.js /etc_ro/web/js/language.js 1>/dev/null 2>&1
killall mon.sh 2> /dev/null
echo 1 > /tmp/protect_process
LINES

# The outside programs the boot starts, with their arguments, in start order
# (the network and USB tools run concurrently and call stand-ins of their own).
started=$(standin_calls | grep -E '^(internet\.sh|ombix_firewallconfig|ntp\.sh|klogd)( |$)')
expect_lines "outside programs started" "$started" <<'LINES'
internet.sh
ombix_firewallconfig mtk7620 initfw
ntp.sh
klogd
LINES

# State files: exact bytes.
expect_file /tmp/wan_connection_status $'0\n'
expect_file /tmp/protect_process $'1\n'
expect_file /tmp/NTPValid $'0\n'
expect_file /var/wanInface 'eth2.2'
expect_file /var/qavomd5 "$digest"
# The real system logger of the router was started and stays up.
grep -q ' syslogd syslogd -C8$' "$VR_STATE/log/processes" || vr_fail "syslogd not left running"
# So do the real MQTT broker and the setting-module subscriber.
grep -q ' qv_broker -c /etc_ro/mosquitto.conf$' "$VR_STATE/log/processes" || vr_fail "broker not left running"
grep -q ' qavo_sub -h 127.0.0.1 -t pelvanto/router/#$' "$VR_STATE/log/processes" || vr_fail "subscriber not left running"

[ "$vr_failures" = 0 ] || vr_show_run
finish
