#!/bin/bash
# First boot of a gateway with a static WAN and NTP on, factory defaults otherwise: the
# identity digest of the real br0 and the daemons left running (the commands it runs and
# the state files they write are the boot sequence's unit test).
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

vr_run --set OperationMode=1 --set wanConnectionMode=STATIC --set NTPClientEnabled=1 -- initqavo
expect_eq "exit status" 0 "$VR_STATUS"

# The identity digest is MD5 of br0's address in lower case.
digest=$(printf %s 00:0c:43:76:20:00 | md5sum | cut -d' ' -f1)
expect_file /var/qavomd5 "$digest"
# The real system logger of the router was started and stays up.
grep -q ' syslogd syslogd -C8$' "$VR_STATE/log/processes" || vr_fail "syslogd not left running"
# So do the real MQTT broker and the setting-module subscriber.
grep -q ' qv_broker -c /etc_ro/mosquitto.conf$' "$VR_STATE/log/processes" || vr_fail "broker not left running"
grep -q ' qavo_sub -h 127.0.0.1 -t pelvanto/router/#$' "$VR_STATE/log/processes" || vr_fail "subscriber not left running"

[ "$vr_failures" = 0 ] || vr_show_run
finish
