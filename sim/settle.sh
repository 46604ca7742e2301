# shellcheck shell=bash disable=SC2154 # state and procs belong to vrouter-inside.sh, which sources this
# When a boot has settled, sourced by vrouter-inside.sh: none of the router's
# processes is a tool run, a shell or anything else short-lived (only the
# daemons below are left), and the shell log has not grown for a second.

settle_daemons=" syslogd klogd qv_broker qavo_sub udhcpd udhcpc pppd pppoecd xl2tpd lld2d
	rt2860apd p910nd smbd nmbd dnsmasq igmpproxy miniupnpd radvd ntpd crond telnetd "
settle_log_size=-1
settle_quiet_since=0

# Uses the "procs" list of list_processes.
boot_settled() {
	local p comm rest size
	for p in "${procs[@]}"; do
		read -r _ comm rest <<< "$p"
		[[ $settle_daemons == *[[:space:]]"$comm"[[:space:]]* ]] || { settle_log_size=-1; return 1; }
	done
	size=$(stat -c %s "$state/log/sh.log" 2> /dev/null || echo 0)
	if [ "$size" != "$settle_log_size" ]; then
		settle_log_size=$size
		settle_quiet_since=$(now_us)
		return 1
	fi
	[ $(( $(now_us) - settle_quiet_since )) -ge 1000000 ]
}
