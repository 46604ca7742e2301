#!/bin/bash
# Messaging benchmarks inside the virtual router, against the real broker with the
# example subscriber answering pelvanto/router/echo:
#   - one exchange in one process: web_getData against a minimal libmosquitto client;
#   - one exchange as a whole process: qavo_webreq against mosquitto_rr;
#   - one publication as a whole process: qavo_pub against mosquitto_pub;
#   - 20 concurrent requests to 20 different modules (their exchanges do not wait for each
#     other) against 20 concurrent requests to one module (one at a time);
#   - the run lock's own cost per exchange (bench_run_lock_cost).
# Run as root after building and staging:  bench/messaging.sh [build dir]
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build/default}" && pwd)
exec "$src/sim/vrouter" --stage "$build/stage" --tools "$build/sim" --bind "$build" -- bash -c '
	qv_broker -c /etc_ro/mosquitto.conf -d
	for i in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/1883) 2>/dev/null && break; sleep 0.1; done
	qavo_sub -h 127.0.0.1 -t "pelvanto/router/#" > /dev/null &
	sleep 0.3
	echo "== one exchange in one process"
	'"$build"'/bench/bench_messaging_exchange 2000
	echo "== one exchange, whole process"
	hyperfine -N --warmup 20 --runs 300 \
		"qavo_webreq echo ping" \
		"mosquitto_rr -h 127.0.0.1 -t pelvanto/router/echo -e pelvanto/router/echo/R -m ping"
	echo "== one publication, whole process"
	hyperfine -N --warmup 20 --runs 300 \
		"qavo_pub 127.0.0.1 bench ping" \
		"mosquitto_pub -h 127.0.0.1 -t pelvanto/router/bench -m ping"
	echo "== 20 concurrent requests, whole processes"
	hyperfine --shell=bash --warmup 3 --runs 30 \
		"for i in \$(seq 20); do qavo_webreq module\$i ping > /dev/null & done; wait" \
		"for i in \$(seq 20); do qavo_webreq echo ping > /dev/null & done; wait"
	echo "== the run lock alone"
	'"$build"'/bench/bench_run_lock_cost
'
