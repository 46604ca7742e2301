# shellcheck shell=bash disable=SC2154 # state, root and inner belong to vrouter-inside.sh, which sources this
# The provider on the WAN side of the virtual router, sourced by vrouter-inside.sh:
# a peer network namespace holding eth2.2p (10.0.2.2/24) and running BusyBox udhcpd,
# which hands out 10.0.2.100-110 with itself as router and name server. Also the
# router's /sbin/udhcpc.sh, and a snapshot of the WAN side after the run.

# shellcheck source=sim/provider/provider-dhcp.sh
source "$(dirname "${BASH_SOURCE[0]}")/provider-dhcp.sh"
wan_provider_dir=""

# Before the switch of root: /sbin (= /usr/sbin) gets udhcpc.sh through a read-only
# overlay, so the host's /usr is untouched; udhcpc takes the router's "-h NAME".
wan_provider_prepare_root() {
	local extra=$state/.run/sbin-extra sim
	sim=$(dirname "$(dirname "${BASH_SOURCE[0]}")")
	mkdir -p "$extra"
	cp "$sim/common/udhcpc.sh" "$extra/udhcpc.sh"
	mount -t overlay vrouter-sbin -o "lowerdir=$extra:/usr/sbin" "$root/usr/sbin"
	cp "$sim/common/udhcpc-h" "$root$inner/bin/udhcpc"
}

# After the switch of root (ip netns needs the router's own /run).
wan_provider_start() {
	wan_provider_dir=$state/.run/provider
	provider_dhcp_start /bin/ip eth2.2p "$wan_provider_dir" "$state/log/provider.log"
}

# log/wan: the WAN interface's address, the routes, the resolver file and the
# leases the provider handed out (udhcpd writes them on SIGUSR1). Nothing here may
# fail the run (set -e): a provider that died just shows no leases.
wan_snapshot() {
	{
		echo "address: $(/bin/ip -4 -o addr show dev eth2.2 2> /dev/null | awk '{ print $4 }')"
		echo "default route: $(/bin/ip route show default 2> /dev/null)"
		echo "resolv.conf: $(tr '\n' ' ' < /etc/resolv.conf 2> /dev/null)"
		if [ -n "$provider_dhcp_pid" ]; then
			echo "provider leases:"
			provider_dhcp_leases "$wan_provider_dir" || true
		fi
	} > "$state/log/wan"
}
