#!/bin/sh
# Web requests while other clients flood the module's topics, inside the virtual router,
# against the shipped broker configuration and the example subscriber answering
# pelvanto/router/echo. For each flood, 20 requests "qavo_webreq echo ping<n>" are sorted:
#   right     the reply is the request's own payload
#   wrong     the reply is anything else that is not an error object (another client's)
#   busy, ambiguous, timeout   the requester's own refusals: not sent, sent but the answer
#             not told apart, no answer
# Floods: Debian's mosquitto_pub, one process per message, or one client streaming lines
# (about 500 or 2500 messages a second, or as fast as it goes), on the request topic and
# on the reply topic.
# Printed, not asserted. Run as root after building and staging:
#   bench/messaging_flood.sh [build dir]
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build/default}" && pwd)
# shellcheck disable=SC2016 # the script is expanded inside the virtual router
exec "$src/sim/vrouter/vrouter" --stage "$build/stage" --tools "$build/sim" --bind "$build" -- sh -c '
	# Each flood meets a fresh broker and subscriber: a flat-out flood leaves a backlog that
	# the subscriber answers long after it stopped.
	start() {
		qv_broker -c /etc_ro/mosquitto.conf & broker=$!
		sleep 0.3
		qavo_sub -h 127.0.0.1 -t "pelvanto/router/#" > /dev/null & subscriber=$!
		sleep 0.3
	}
	stop() {
		kill "$subscriber" "$broker"
		wait "$subscriber" "$broker" 2> /dev/null || true
	}
	# flood_command KIND TOPIC: the shell command of one flood, which runs until stopped.
	flood_command() {
		case $1 in
		processes) printf "%s\n" "while :; do mosquitto_pub -h 127.0.0.1 -t $2 -m flood; done" ;;
		stream500) printf "%s\n" "while :; do echo flood; sleep 0.002; done | mosquitto_pub -h 127.0.0.1 -t $2 -l" ;;
		stream2500) printf "%s\n" "while :; do printf \"flood%.0s\\n\" 1 2 3 4 5; sleep 0.002; done |
			mosquitto_pub -h 127.0.0.1 -t $2 -l" ;;
		flat-out) printf "%s\n" "yes flood | mosquitto_pub -h 127.0.0.1 -t $2 -l" ;;
		esac
	}
	requests() {
		right=0 wrong=0 busy=0 ambiguous=0 timeout=0
		for i in $(seq 20); do
			reply=$(qavo_webreq echo "ping$i" 2> /dev/null) || true
			case $reply in
			"ping$i") right=$((right + 1)) ;;
			"{\"error\":\"busy\"}") busy=$((busy + 1)) ;;
			"{\"error\":\"ambiguous\"}") ambiguous=$((ambiguous + 1)) ;;
			"{\"error\":\"timeout\"}") timeout=$((timeout + 1)) ;;
			*) wrong=$((wrong + 1)) ;;
			esac
		done
		echo "right $right  wrong $wrong  busy $busy  ambiguous $ambiguous  timeout $timeout"
	}
	start; printf "%-34s " "no flood"; requests; stop
	for topic in pelvanto/router/echo pelvanto/router/echo/R; do
		for kind in processes stream500 stream2500 flat-out; do
			start
			# In a process group of its own, stopped as a whole.
			setsid sh -c "$(flood_command "$kind" "$topic")" &
			flooder=$!
			sleep 0.5
			printf "%-34s " "$kind on ${topic#pelvanto/router/}"; requests
			kill -- "-$flooder"
			stop
		done
	done
'
