# shellcheck shell=sh
# When a boot has settled, on both routers: only the daemons below are left of the
# router's processes and the shell log has not grown for a second.
#   boot_settled NAMES LOG   NAMES: the router's processes' names; LOG: the shell log.
#                            Called every 0.05 to 0.5 s; it keeps the log's last size.

settle_daemons=" syslogd klogd qv_broker qavo_sub udhcpd udhcpc pppd pppoecd xl2tpd lld2d
	rt2860apd p910nd smbd nmbd dnsmasq igmpproxy miniupnpd radvd ntpd crond telnetd
	pptp pptpgw pptpcm httpd "
settle_log_size=-1
settle_quiet_since=0

# Hundredths of a second since the kernel started, without a subprocess.
settle_now() {
	read -r settle_uptime _ </proc/uptime
	settle_hundredths=${settle_uptime#*.}
	echo $((${settle_uptime%.*} * 100 + ${settle_hundredths#0}))
}

boot_settled() {
	for settle_name in $1; do
		case $settle_daemons in
		*[[:space:]]"$settle_name"[[:space:]]*) ;;
		*) settle_log_size=-1; return 1 ;;
		esac
	done
	settle_size=$(wc -c <"$2" 2>/dev/null || echo 0)
	if [ "$settle_size" != "$settle_log_size" ]; then
		settle_log_size=$settle_size settle_quiet_since=$(settle_now)
		return 1
	fi
	[ $(($(settle_now) - settle_quiet_since)) -ge 100 ]
}
