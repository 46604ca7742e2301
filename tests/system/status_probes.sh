#!/bin/bash
# WAN and repeater status probes and LED requests inside the virtual router: "mii_mgr"
# and "iwconfig" are stand-ins with canned replies per call, the addresses the probes
# look for are real addresses on real interfaces (veth pairs named like the PPP and 3G
# interfaces), and the LED records come from the router's GPIO shim.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

probe=$QAVO_BUILD_DIR/tests/lib/lib_router_status_test
canned=$(mktemp -d "$vr_runs/canned.XXXX")
printf 'Get: phy[4].reg[1] = 796d\n' > "$canned/mii_mgr@-g -p 4 -r 1.out"
printf 'Get: phy[3].reg[1] = 7949\n' > "$canned/mii_mgr@-g -p 3 -r 1.out"
cat > "$canned/iwconfig@apcli0.out" <<'OUT'
apcli0    RTWIFI SoftAP  ESSID:"upstream"
          Mode:Managed  Channel=6  Access Point: 00:11:22:33:44:55
          Bit Rate=144 Mb/s
OUT
cat > "$canned/iwconfig@apclii0.out" <<'OUT'
apclii0   RTWIFI SoftAP  ESSID:""
          Mode:Managed  Channel=36  Access Point: Not-Associated
OUT

vr_run --bind "$QAVO_BUILD_DIR" --canned "$canned" \
	--setup 'ip link add ppp0 type veth peer name ppp0p
		ip link add usb0 type veth peer name usb0p
		ip link set ppp0 up
		ip link set usb0 up' \
	-- "$probe"
expect_eq "status probes (stdout: $VR_STDOUT)" 0 "$VR_STATUS"
grep -q '^\[  PASSED  \] [1-9]' "$VR_STDOUT" || vr_fail "no case ran"
! grep -q '\[  SKIPPED' "$VR_STDOUT" || vr_fail "cases skipped inside the router"
[ "$VR_STATUS" = 0 ] || vr_show_run

finish
