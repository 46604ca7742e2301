#!/bin/sh
# /sbin/udhcpc.sh of the emulated router: the lease as the virtual router's script
# handles it (/sbin/udhcpc-lease.sh), then, when the WAN dials L2TP or PPTP after
# taking its address by DHCP ("wan_l2tp_mode"/"wan_pptp_mode" not 0; the WAN tool only
# starts the DHCP client then), what the firmware's script does on a new lease: a host
# route to the tunnel's server through the lease's router, the lease's default route
# left to the tunnel (pppd puts its own on ppp0 only where none exists), and the
# dial-up started once.
# udhcpc passes the lease in the environment: interface, router...
# shellcheck disable=SC2154
/sbin/udhcpc-lease.sh "$@"
[ "$1" = bound ] || exit 0
setting() { nvram_get 2860 "$1" 2>/dev/null; }
case $(setting wanConnectionMode) in
L2TP*) server=$(setting wan_l2tp_server) daemon=xl2tpd ;;
PPTP*) server=$(setting wan_pptp_server) daemon=pppd ;;
*) exit 0 ;;
esac
gateway=${router%% *}
if [ -n "$gateway" ] && [ -n "$server" ]; then
	route add -host "$server" gw "$gateway" dev "$interface" 2>/dev/null
	route del default gw "$gateway" dev "$interface" 2>/dev/null
fi
pidof "$daemon" >/dev/null && exit 0
case $daemon in
xl2tpd) xl2tpd -c /etc_ro/xl2tpd.conf ;;
pppd) pppd call pptp ;;
esac
exit 0
