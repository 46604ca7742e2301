#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted client script runs in the virtual router
# "initlan" writes /etc/udhcpd.conf and starts the real BusyBox udhcpd on br0; a real
# udhcpc in a peer network namespace, linked into the bridge by a veth pair, gets the
# static lease of its MAC address, and a client with another MAC one from the range.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

# Runs inside the router after "initlan": one client per MAC, each in its own network
# namespace, printing "<mac> <event> <address>" for the lease it is bound to.
client_script='
set -u
printf "#!/bin/sh\n[ \"\$1\" = bound ] && echo \"\$MAC \$1 \$ip\"\nexit 0\n" > /tmp/lease-event
chmod +x /tmp/lease-event
n=0
for mac in 02:00:00:00:00:51 02:00:00:00:00:77; do
	n=$((n + 1))
	/bin/ip netns add client$n
	/bin/ip link add lan$n type veth peer name peer$n
	/bin/ip link set lan$n master br0 up
	/bin/ip link set peer$n netns client$n
	/bin/ip -n client$n link set peer$n address $mac up
	MAC=$mac /bin/ip netns exec client$n busybox udhcpc -i peer$n -f -q -n -t 6 -T 2 \
		-s /tmp/lease-event 2> /tmp/udhcpc$n.err
done
'

vr_run --set lan_ipaddr=192.168.10.1 --set lan_netmask=255.255.255.0 \
	--set dhcpEnabled=1 --set dhcpStart=192.168.10.100 --set dhcpEnd=192.168.10.110 \
	--set dhcpMask=255.255.255.0 --set dhcpPriDns=192.168.10.1 --set dhcpSecDns= \
	--set dhcpGateway=192.168.10.1 --set dhcpLease=600 \
	--set staticDhcpEnabled=1 --set 'staticDhcpRules=02:00:00:00:00:51,192.168.10.51;02:00:00:00:00:52' \
	-- /bin/bash -c "ombix_networkconfig mtk7620 initlan > /tmp/initlan.out && $client_script"
expect_eq "exit status" 0 "$VR_STATUS"
expect_file /etc/udhcpd.conf 'start 192.168.10.100
end 192.168.10.110
interface br0
option subnet 255.255.255.0
option dns 192.168.10.1 
option router 192.168.10.1
option lease 600
lease_file /var/udhcpd.leases
static_lease 02:00:00:00:00:51 192.168.10.51
'
leases=$(cat "$VR_STDOUT")
expect_eq "static lease for its MAC" "02:00:00:00:00:51 bound 192.168.10.51" "$(sed -n 1p <<< "$leases")"
other=$(sed -n 2p <<< "$leases")
[[ $other =~ ^02:00:00:00:00:77\ bound\ 192\.168\.10\.(10[0-9]|110)$ ]] ||
	vr_fail "lease from the range for another MAC, got '$other'"
[ "$vr_failures" = 0 ] || vr_show_run
finish
