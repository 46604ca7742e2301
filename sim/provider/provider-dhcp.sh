# shellcheck shell=sh
# The WAN provider's DHCP side on both routers.
#   provider_dhcp_start IP PEER DIR LOG   PEER (the WAN port's far end) into a network
#       namespace "provider" as 10.0.2.2/24, running BusyBox udhcpd: 10.0.2.100-110, itself
#       as router and name server. IP: the iproute2 "ip"; DIR: udhcpd's files; LOG: its
#       output. Sets provider_dhcp_pid.
#   provider_dhcp_leases DIR   the leases handed out (written on SIGUSR1), indented

provider_dhcp_pid=""

provider_dhcp_start() {
	mkdir -p "$3"
	"$1" netns add provider
	"$1" link set "$2" netns provider
	"$1" -n provider link set lo up
	"$1" -n provider addr add 10.0.2.2/24 dev "$2"
	"$1" -n provider link set "$2" up
	cat >"$3/udhcpd.conf" <<-CONF
	start 10.0.2.100
	end 10.0.2.110
	interface $2
	option subnet 255.255.255.0
	option router 10.0.2.2
	option dns 10.0.2.2
	option lease 600
	lease_file $3/udhcpd.leases
	pidfile $3/udhcpd.pid
	CONF
	: >"$3/udhcpd.leases"
	"$1" netns exec provider busybox udhcpd -f "$3/udhcpd.conf" >"$4" 2>&1 &
	provider_dhcp_pid=$!
}

provider_dhcp_leases() {
	kill -USR1 "$provider_dhcp_pid" 2>/dev/null && sleep 0.2
	busybox dumpleases -f "$1/udhcpd.leases" 2>/dev/null | sed 's/^/  /'
}
