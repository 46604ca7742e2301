#!/bin/sh
# provider-tunnels.sh start|wait|report: the provider's L2TP and PPTP servers on the
# emulated board, for a router whose WAN dials one of them (the store holds the
# connection mode "L2TP" or "PPTP" once /init has applied the scenario's settings);
# other scenarios get nothing, which saves boot time.
#
#   start   L2TP: Debian's xl2tpd as the network server on 10.0.2.2, PPP 10.65.0.1 for
#           the provider and 10.65.0.100 for the router. PPTP: Debian's pptpd (its
#           pptpctrl runs pppd), MS-CHAPv2 with 128-bit MPPE, 10.66.0.1 and 10.66.0.100.
#           Both: the account "me@isp" with the password of the scenario (the secrets
#           file init wrote for PPPoE), CHAP, the provider's name server 10.0.2.2.
#   wait    waits (at most 15 s) until the router's ppp0 has an address.
#   report  prints the tunnel record of the board's report (sim/common/report.sh): the
#           router's routes, its dial-up processes and files, the dial-up daemons' log lines.
#
# The router's pppd reads its options, peers and secrets under /etc/ppp, which the
# firmware links to /etc_ro/ppp where the WAN tool writes them; the provider keeps its
# own /etc/ppp (/etc/netns/provider/ppp, which "ip netns exec" mounts there), so the
# two ends never read each other's files.
ip=/usr/sbin/iproute2-ip
provider=/.vrouter/provider
log=/.vrouter/log
mode=$(nvram_get 2860 wanConnectionMode 2>/dev/null)

case $mode in
L2TP | PPTP) ;;
*) exit 0 ;;
esac

start() {
	# The router's side as its firmware lays it out.
	mkdir -p /etc/netns/provider /var/run/xl2tpd /var/run/pptp /etc_ro/ppp/peers
	mv /etc/ppp /etc/netns/provider/ppp
	chmod 600 /etc/netns/provider/ppp/chap-secrets
	ln -s /etc_ro/ppp /etc/ppp
	# The board notes when the router's link is up (pppd runs ip-up then).
	# shellcheck disable=SC2016
	printf '#!/bin/sh\necho "$(cut -d" " -f1 /proc/uptime) ppp-up $1 $4" >>%s/events.log\n' "$log" >/etc_ro/ppp/ip-up
	chmod 755 /etc_ro/ppp/ip-up
	common="ms-dns 10.0.2.2
lcp-restart 1
nodefaultroute
noproxyarp"
	if [ "$mode" = L2TP ]; then
		cat >$provider/xl2tpd.conf <<-CONF
			[global]
			listen-addr = 10.0.2.2
			[lns default]
			ip range = 10.65.0.100-10.65.0.100
			local ip = 10.65.0.1
			require chap = yes
			refuse pap = yes
			require authentication = yes
			name = provider
			pppoptfile = $provider/options.l2tp
			length bit = yes
		CONF
		printf '%s\nnoccp\n' "$common" >$provider/options.l2tp
		: >$provider/l2tp-secrets
		# A copy under a name of its own: the WAN tool's "killall -q xl2tpd" (which also
		# matches a program by the file it runs) is for the router's.
		cp /usr/sbin/xl2tpd $provider/lns-xl2tpd
		$ip netns exec provider $provider/lns-xl2tpd -c $provider/xl2tpd.conf -s $provider/l2tp-secrets \
			-p $provider/xl2tpd.pid -C $provider/l2tp-control >"$log/provider-l2tp.log" 2>&1
	else
		printf 'option %s\nlocalip 10.66.0.1\nremoteip 10.66.0.100\nlisten 10.0.2.2\n' \
			$provider/options.pptp >$provider/pptpd.conf
		printf 'name provider\nrequire-mschap-v2\nrequire-mppe-128\n%s\n' "$common" >$provider/options.pptp
		$ip netns exec provider pptpd -c $provider/pptpd.conf -p $provider/pptpd.pid \
			>"$log/provider-pptp.log" 2>&1
	fi
}

ppp_address() { $ip -4 -o addr show dev ppp0 2>/dev/null | awk '{ print $4 }'; }

wait_for_link() {
	i=0
	while [ $i -lt 30 ] && [ -z "$(ppp_address)" ]; do
		sleep 0.5
		i=$((i + 1))
	done
}

# The dial's start: the router's xl2tpd command, or the pptp client pppd runs.
dial_time() {
	case $mode in
	L2TP) started=$(awk '/ xl2tpd -c / { print $1; exit }' "$log/sh.log") ;;
	PPTP) started=$(awk '/ pppd pptp / { print $1; exit }' "$log/sh.log") ;;
	esac
	up=$(awk '$2 == "ppp-up" { print $1; exit }' "$log/events.log")
	if [ -n "$started" ] && [ -n "$up" ]; then
		awk -v a="$started" -v b="$up" 'BEGIN { printf "started at %.2f s, up at %.2f s, %.2f s\n", a, b, b - a }'
	else
		echo "started at ${started:-never}, up ${up:-never}"
	fi
}

report() {
	echo "tunnel ($mode)"
	echo "dial: $(dial_time)"
	peer=$($ip -4 -o addr show dev ppp0 2>/dev/null | awk '{ print $6 }')
	if [ -n "$peer" ] && ping -c 1 -W 2 "${peer%/*}" >/dev/null 2>&1; then
		echo "through the tunnel: yes"
	else
		echo "through the tunnel: no"
	fi
	echo "routes:"
	$ip route show | sed 's/ *$//; s/^/  /'
	echo "router's daemons:"
	for d in /proc/[0-9]*; do
		cmd=$(tr '\0' ' ' <"$d/cmdline" 2>/dev/null)
		case $(cat "$d/comm" 2>/dev/null) in
		xl2tpd | pptpgw | pptpcm | pppd) [ "$(readlink "$d/ns/net")" = "$(readlink /proc/self/ns/net)" ] && echo "  $cmd" ;;
		esac
	done
	echo "router's files:"
	for f in /etc_ro/xl2tpd.conf /etc_ro/ppp/options.xl2ptd /etc_ro/ppp/peers/pptp /etc_ro/ppp/options /etc_ro/ppp/chap-secrets; do
		[ -f "$f" ] && echo "  $f $(stat -c %a "$f")"
	done
	echo "provider's sessions:"
	$ip -n provider -4 -o addr show | awk '$2 ~ /^ppp/ { print "  " $2, $4, $5, $6 }'
	echo "daemon log:"
	logread 2>/dev/null | grep -E 'pppd|xl2tpd|pptp' | grep -v 'daemon\.debug' | sed 's/^/  /'
	cat "$log/provider-l2tp.log" "$log/provider-pptp.log" 2>/dev/null | sed 's/^/  /'
}

case $1 in
start) start ;;
wait) wait_for_link ;;
report) report ;;
*) echo "provider-tunnels.sh: start|wait|report" >&2; exit 2 ;;
esac
