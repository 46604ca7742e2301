#!/bin/sh
# shellcheck disable=SC2154 # udhcpc passes interface, ip and the rest in the environment
# The virtual router's /sbin/udhcpc.sh: BusyBox udhcpc calls it with the event
# (deconfig, bound, renew, leasefail, nak) and the lease in its environment.
# A lease gives the interface its address, netmask and MTU, the default route
# through the first router, and the resolver files the servers.
case $1 in
deconfig)
	ifconfig "$interface" 0.0.0.0
	;;
bound|renew)
	ifconfig "$interface" "$ip" ${subnet:+netmask "$subnet"} ${mtu:+mtu "$mtu"}
	if [ -n "$router" ]; then
		while route del default dev "$interface" 2> /dev/null; do :; done
		route add default gw "${router%% *}" dev "$interface"
	fi
	if [ -n "$dns" ]; then
		: > /etc/resolv.conf
		for server in $dns; do
			echo "nameserver $server" >> /etc/resolv.conf
		done
		cp /etc/resolv.conf /etc/resolv.conf1
	fi
	;;
esac
exit 0
