#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted code runs in the virtual router's shell
# Messaging benchmarks inside the virtual router, against the real broker with the
# example subscriber answering pelvanto/router/echo:
#   - one exchange in one process: web_getData against a minimal libmosquitto client;
#   - one exchange as a whole process: qavo_webreq against mosquitto_rr;
#   - one publication as a whole process: qavo_pub against mosquitto_pub;
#   - peak resident memory of one exchange as a whole process (VmHWM and the private
#     RssAnon, read at exit by bench_peak_launch, median of 9), qavo_webreq against
#     mosquitto_rr, and what each loads at start (LD_DEBUG=statistics, libraries needed).
#   - 20 concurrent requests to 20 different modules (their exchanges do not wait for each
#     other) against 20 concurrent requests to one module (one at a time);
#   - the run lock's own cost per exchange (bench_run_lock_cost).
# Run as root after building and staging:  bench/messaging.sh [build dir]
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build_dirs_source=$src
source "$src/scripts/build-dirs.sh"
build=$(cd "${1:-$host_build}" && pwd)
exec "$src/sim/vrouter/vrouter" --stage "$build/stage" --tools "$build/sim" --bind "$build" --bind "$src/bench" -- bash -c '
	qv_broker -c /etc_ro/mosquitto.conf -d
	for i in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/1883) 2>/dev/null && break; sleep 0.1; done
	qavo_sub -h 127.0.0.1 -t "pelvanto/router/#" > /dev/null &
	sleep 0.3
	echo "== one exchange in one process"
	'"$build"'/bench/bench_messaging_exchange 2000
	# whole_process OURS THEIRS: hyperfine, then the medians and ours as a share of theirs.
	whole_process() {
		hyperfine -N --warmup 20 --runs 300 --export-json /tmp/whole.json "$1" "$2"
		awk -f '"$src"'/bench/hyperfine-medians.awk /tmp/whole.json
	}
	webreq="qavo_webreq echo ping"
	rr="mosquitto_rr -h 127.0.0.1 -t pelvanto/router/echo -e pelvanto/router/echo/R -m ping"
	echo "== one exchange, whole process"
	whole_process "$webreq" "$rr"
	echo "== one publication, whole process"
	whole_process "qavo_pub 127.0.0.1 bench ping" "mosquitto_pub -h 127.0.0.1 -t pelvanto/router/bench -m ping"
	echo "== peak resident memory of one exchange, whole process (KiB; median of 9)"
	printf "%7s %7s  %s\n" VmHWM private program
	for command in "$webreq" "$rr"; do
		for i in $(seq 9); do
			'"$build"'/bench/bench_peak_launch $command 2>&1 >/dev/null | grep "^[0-9]"
		done | sort -n | sed -n 5p | awk "{ printf \"%7d %7d  %s\n\", \$1, \$2, \$3 }"
	done
	echo "== what each loads at start"
	for command in "$webreq" "$rr"; do
		set -- $command
		echo "$1: needs $(readelf -d "$(command -v "$1")" | sed -n "s/.*(NEEDED).*\[\(.*\)\]/\1/p" | tr "\n" " ")"
		LD_DEBUG=statistics $command 2>&1 >/dev/null | grep -E "total startup time|time needed to load objects|number of relocations:" | sed -E "s/^ *[0-9]+:[[:space:]]*//"
	done
	echo "== 20 concurrent requests, whole processes"
	hyperfine --shell=bash --warmup 3 --runs 30 \
		"for i in \$(seq 20); do qavo_webreq module\$i ping > /dev/null & done; wait" \
		"for i in \$(seq 20); do qavo_webreq echo ping > /dev/null & done; wait"
	echo "== the run lock alone"
	'"$build"'/bench/bench_run_lock_cost
'
