# shellcheck shell=sh
# router_interfaces IP PEER: the router's interfaces, the same on both routers; IP is the
# iproute2 "ip" to use. br0 (the LAN bridge, ra0's MAC), eth2.2 (the WAN port, a veth
# whose peer PEER is the provider's end) and the radios ra0 (in br0), apcli0, apclii0 as
# taps; lo up. The WAN port and its peer are left down.
router_interfaces() {
	"$1" link set lo up
	"$1" link add name br0 type bridge
	"$1" link set br0 address 00:0c:43:76:20:00
	"$1" link set br0 up
	"$1" link add name eth2.2 type veth peer name "$2"
	"$1" link set eth2.2 address 00:0c:43:76:20:02
	for tap in ra0=00:0c:43:76:20:00 apcli0=00:0c:43:76:20:10 apclii0=00:0c:43:76:20:11; do
		"$1" tuntap add dev "${tap%%=*}" mode tap
		"$1" link set "${tap%%=*}" address "${tap#*=}"
		"$1" link set "${tap%%=*}" up
	done
	"$1" link set ra0 master br0
}
