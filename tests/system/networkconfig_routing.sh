#!/bin/bash
# shellcheck disable=SC2016 # hostile rules are single-quoted on purpose
# "routinginit": stored rules really in the kernel table, a second run deleting and
# re-adding them without error, and hostile rule fields run by the real shell (the other
# modes, no rules and a table that does not parse are the dry-run unit test's).
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

rules='10.1.0.0,255.255.0.0,192.168.10.254,LAN,br0,0,a;10.9.8.7,255.255.255.255,,WAN,eth2.2,0,b;'
rules+='10.2.0.0,255.255.0.0,0.0.0.0,LAN,br0,0;10.3.0.0,255.255.0.0,10.0.2.1,wan,eth2.2,0,c'
routes='/bin/ip -4 route show | grep "^10\.[1239]\." | sed "s/ linkdown//; s/ *$//"'

# Gateway mode. The kernel already holds a route that only the six-field rule names.
vr_run --set OperationMode=1 --set "RoutingRules=$rules" \
	--setup '/bin/ip addr add 192.168.10.1/24 dev br0; /bin/ip route add 10.2.0.0/16 dev br0' \
	-- /bin/bash -c "ombix_networkconfig mtk7620 routinginit > /tmp/run1; echo \"status=\$?\" >> /tmp/run1
		$routes > /tmp/routes1
		ombix_networkconfig mtk7620 routinginit > /tmp/run2; $routes > /tmp/routes2"
expect_lines "first run" "$(sh_commands ombix_networkconfig | head -n 4)" <<'LINES'
route del -net 10.2.0.0  netmask 255.255.0.0 dev br0 
route add -net 10.1.0.0  netmask 255.255.0.0 gw 192.168.10.254 dev br0 2>&1 
route add -host 10.9.8.7  dev eth2.2 2>&1 
route add -net 10.3.0.0  netmask 255.255.0.0 gw 10.0.2.1 dev eth2.2 2>&1 
LINES
expect_lines "second run deletes what the rules name (table order)" \
	"$(sh_commands ombix_networkconfig | sed -n '5,7p' | sort)" <<'LINES'
route del -host 10.9.8.7  dev eth2.2 
route del -net 10.1.0.0  netmask 255.255.0.0 dev br0 
route del -net 10.3.0.0  netmask 255.255.0.0 dev eth2.2 
LINES
expect_lines "second run adds again" "$(sh_commands ombix_networkconfig | sed -n '8,$p')" <<'LINES'
route add -net 10.1.0.0  netmask 255.255.0.0 gw 192.168.10.254 dev br0 2>&1 
route add -host 10.9.8.7  dev eth2.2 2>&1 
route add -net 10.3.0.0  netmask 255.255.0.0 gw 10.0.2.1 dev eth2.2 2>&1 
LINES
expected_routes='10.1.0.0/16 via 192.168.10.254 dev br0
10.3.0.0/16 via 10.0.2.1 dev eth2.2
10.9.8.7 dev eth2.2 scope link'
expect_eq "kernel table after the first run" "$expected_routes" "$(sort "$VR_STATE/tmp/routes1")"
expect_eq "kernel table after the second run" "$expected_routes" "$(sort "$VR_STATE/tmp/routes2")"
expect_eq "first run status" "status=1" "$(tail -n1 "$VR_STATE/tmp/run1")"
grep -q SIOC "$VR_STATE/tmp/run1" "$VR_STATE/tmp/run2" && vr_fail "a route command failed: $(grep -h SIOC "$VR_STATE"/tmp/run?)"

# Hostile fields run nothing and build no command; the good rule after them is added.
hostile='10.5.0.0,255.255.0.0,$(touch /tmp/injected-gw),LAN,br0,0,x;'
hostile+='10.6.0.0,255.255.0.0,,LAN,br0`touch /tmp/injected-dev`,0,x;'
hostile+='10.7.0.0 -net 0.0.0.0,255.255.0.0,,LAN,br0,0,x;'
hostile+='10.8.0.0,255.255.0.0|touch /tmp/injected-mask,,LAN,br0,0,x;'
hostile+='10.1.0.0,255.255.0.0,,LAN,br0,0,x'
vr_run --set OperationMode=1 --set "RoutingRules=$hostile" --setup '/bin/ip addr add 192.168.10.1/24 dev br0' \
	-- ombix_networkconfig mtk7620 routinginit
expect_log_lines ombix_networkconfig <<'LINES'
route add -net 10.1.0.0  netmask 255.255.0.0 dev br0 2>&1 
LINES
for f in injected-gw injected-dev injected-mask; do expect_no_file "/tmp/$f"; done
expect_eq "hostile: refusals" 4 "$(grep -c '^Error: setting RoutingRules ' "$VR_STDERR")"

[ "$vr_failures" = 0 ] || vr_show_run
finish
