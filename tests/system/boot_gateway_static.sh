#!/bin/bash
# First boot of a gateway with a static WAN and NTP on, factory defaults
# otherwise: the outside programs it starts, the state files it leaves and the
# daemons left running (its exact command sequence is the boot sequence's unit test).
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

vr_run --set OperationMode=1 --set wanConnectionMode=STATIC --set NTPClientEnabled=1 -- initqavo
expect_eq "exit status" 0 "$VR_STATUS"

# The identity digest is MD5 of br0's address in lower case.
digest=$(printf %s 00:0c:43:76:20:00 | md5sum | cut -d' ' -f1)

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
