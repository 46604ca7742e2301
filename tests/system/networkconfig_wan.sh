#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted code runs in the virtual router's shell
# "initwan" against a provider behind eth2.2 (BusyBox udhcpd in a peer network
# namespace): DHCP leases with the stored host name in every DHCP variant, a static
# WAN that reaches the provider, the file read by the real xl2tpd. (The commands and
# files of each mode are the dry-run unit tests'; pppd reads its files on the emulated
# board.)
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

# The lease takes a moment after initwan has returned: wait for the address.
wait_lease='for i in $(seq 50); do /bin/ip -4 addr show dev eth2.2 | grep -q "inet 10.0.2.1[01][0-9]/24" && break; sleep 0.1; done'
common=(--wan-provider --set OperationMode=1 --set WanPhyNum=4 --set macCloneEnabled=1
	--set macCloneMac=02:00:00:00:02:02)

lease_checks() {
	local mode=$1 wan
	wan=$(cat "$VR_STATE/log/wan")
	[[ $wan =~ address:\ 10\.0\.2\.1[01][0-9]/24 ]] || vr_fail "$mode: no lease on eth2.2: $wan"
	[[ $wan =~ default\ route:\ default\ via\ 10\.0\.2\.2\ dev\ eth2\.2 ]] || vr_fail "$mode: default route: $wan"
	grep -q "02:00:00:00:02:02 .*10\.0\.2\.1[01][0-9] .*$2" <<< "$wan" ||
		vr_fail "$mode: the provider did not see host name '$2': $wan"
}

# DHCP: the client that initwan starts sends the stored host name.
vr_run "${common[@]}" --set wanConnectionMode=DHCP --set wan_dhcp_hn=wanhost --set wan_dhcp_mtu=1500 \
	-- /bin/sh -c "ombix_networkconfig mtk7620 initwan > /tmp/initwan.out; $wait_lease"
expect_eq "DHCP: exit status" 0 "$VR_STATUS"
lease_checks DHCP wanhost

# The DHCP variants of L2TP and PPTP get their lease the same way (no host name sent).
for mode in L2TP PPTP; do
	lower=${mode,,}
	vr_run "${common[@]}" --set "wanConnectionMode=$mode" --set "wan_${lower}_mode=1" \
		--set "wan_${lower}_user=user" --set "wan_${lower}_pass=pa ss" --set "wan_${lower}_server=10.0.2.2" \
		-- /bin/sh -c "ombix_networkconfig mtk7620 initwan > /tmp/initwan.out; $wait_lease"
	expect_eq "$mode: exit status" 0 "$VR_STATUS"
	lease_checks "$mode" ""
done

# Static: address, netmask, MTU, default route, the provider answers a ping, and the
# subscriber hears the SIGTSTP.
vr_run "${common[@]}" --set wanConnectionMode=STATIC --set wan_ipaddr=10.0.2.20 \
	--set wan_netmask=255.255.255.0 --set wan_static_mtu=1400 --set wan_gateway=10.0.2.2 \
	--set wan_primary_dns=10.0.2.2 --set wan_secondary_dns=10.0.2.3 \
	-- /bin/sh -c 'qv_broker -c /etc_ro/mosquitto.conf > /dev/null 2>&1 &
qavo_sub -h 127.0.0.1 -t "pelvanto/router/#" > /tmp/qavo_sub.log 2>&1 &
sleep 0.5
ombix_networkconfig mtk7620 initwan > /tmp/initwan.out
/bin/ip -o link show dev eth2.2 | grep -o "mtu [0-9]*" > /tmp/mtu
ping -c 1 -W 2 10.0.2.2 > /tmp/ping.out 2>&1 && echo reachable > /tmp/ping
sleep 0.5'
expect_eq "static: exit status" 0 "$VR_STATUS"
wan=$(cat "$VR_STATE/log/wan")
[[ $wan == *"address: 10.0.2.20/24"* ]] || vr_fail "static address: $wan"
[[ $wan == *"default route: default via 10.0.2.2 dev eth2.2"* ]] || vr_fail "static route: $wan"
expect_file /tmp/mtu $'mtu 1400\n'
expect_file /tmp/ping $'reachable\n'
grep -q "SIGTSTP: the static WAN is up" "$VR_STATE/tmp/qavo_sub.log" || vr_fail "qavo_sub did not report the SIGTSTP"

# L2TP, static: the real xl2tpd reads the generated file without complaint.
vr_run "${common[@]}" --set wanConnectionMode=L2TP --set wan_l2tp_mode=0 --set 'wan_l2tp_user=a user#1' \
	--set 'wan_l2tp_pass=x plugin evil.so' --set wan_l2tp_server=10.0.2.2 --set wan_l2tp_ip=10.0.2.21 \
	--set wan_l2tp_netmask=255.255.255.0 --set wan_l2tp_gateway=10.0.2.2 \
	-- /bin/sh -c 'ombix_networkconfig mtk7620 initwan > /tmp/initwan.out
mkdir -p /var/run/xl2tpd
timeout 2 /usr/sbin/xl2tpd -D -c /etc_ro/xl2tpd.conf -p /tmp/xl2tpd.pid -C /var/run/xl2tpd/control > /tmp/xl2tpd.out 2>&1
exit 0'
expect_eq "L2TP: exit status" 0 "$VR_STATUS"
expect_file /etc_ro/xl2tpd.conf $'[lac l2tp]\nname = a user#1\nlns = 10.0.2.2\npppoptfile = /etc_ro/ppp/options.xl2ptd\nautodial = yes\n'
grep -q "started" "$VR_STATE/tmp/xl2tpd.out" || vr_fail "L2TP: xl2tpd did not start: $(cat "$VR_STATE/tmp/xl2tpd.out")"
if grep -qiE "error|unknown|not a valid|can't|cannot" "$VR_STATE/tmp/xl2tpd.out"; then
	vr_fail "L2TP: xl2tpd complained"
	cat "$VR_STATE/tmp/xl2tpd.out" >&2
fi

[ "$vr_failures" = 0 ] || vr_show_run
finish
