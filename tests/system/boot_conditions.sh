#!/bin/bash
# Conditions of the boot sequence: when the firewall tool and the NTP client
# are started.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

# count LINE: how often initqavo ran exactly LINE.
count() { sh_commands initqavo | grep -cxF -- "$1"; }

firewall_case() {
	local mode=$1 wan=$2 expected=$3
	vr_run --set OperationMode="$mode" --set wanConnectionMode="$wan" -- initqavo
	expect_eq "exit status ($mode, $wan)" 0 "$VR_STATUS"
	expect_eq "firewall tool for OperationMode $mode, wanConnectionMode $wan" "$expected" \
		"$(count 'ombix_firewallconfig mtk7620 initfw &')"
	expect_eq "firewall stand-in for $mode, $wan" "$expected" "$(standin_calls ombix_firewallconfig | wc -l)"
	# The sequence runs to its end whatever the mode.
	expect_eq "last command ($mode, $wan)" "echo 1 > /tmp/protect_process" "$(sh_commands initqavo | tail -n1)"
}
firewall_case 3 STATIC 1
firewall_case 1 DHCP 0
firewall_case 0 STATIC 0
firewall_case 1 static 0

# NTP on with a PPPoE WAN: the client is stopped and not started again, and
# its validity flag still reads 0.
vr_run --set NTPClientEnabled=1 --set wanConnectionMode=PPPOE -- initqavo
expect_eq "ntp stopped" 1 "$(count 'killall -q ntp')"
expect_eq "ntp not started" 0 "$(count 'ntp.sh &')"
expect_eq "ntp stand-in not run" "" "$(standin_calls ntp.sh)"
expect_file /tmp/NTPValid $'0\n'

# NTP off with a static WAN: not started either.
vr_run --set NTPClientEnabled=0 --set wanConnectionMode=STATIC -- initqavo
expect_eq "ntp off" 0 "$(count 'ntp.sh &')"

[ "$vr_failures" = 0 ] || vr_show_run
finish
