#!/bin/sh
# Dial times of the emulated router's L2TP and PPTP dial-ups (sim/board-host/emulated-router with
# the scenarios l2tp and pptp): from the router's dial command (xl2tpd's start, or the
# pptp client pppd starts) to the moment pppd runs ip-up with ppp0's address, as the
# board's report gives them; with the moment the boot settled and the wall time of the
# emulator run. The image must be built (scripts/emulated-router.sh). Prints figures,
# asserts nothing.
#
#   bench/emulated_dial.sh [ROUNDS] [SCENARIO...]   (default 3 rounds of l2tp and pptp)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- l2tp pptp
out=$(mktemp -d /tmp/bench-dial.XXXXXX)
trap 'rm -rf "$out"' EXIT
echo "scenario  round  dial started  link up  dial  settled  wall (s)"
for scenario in "$@"; do
	r=1
	while [ "$r" -le "$rounds" ]; do
		start=$(date +%s.%N)
		"$here/sim/board-host/emulated-router" --scenario "$scenario" --out "$out/run" >"$out/report" || true
		end=$(date +%s.%N)
		awk -v s="$scenario" -v r="$r" -v wall="$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" '
			/^dial: started at .*, up at / { gsub(/,/, ""); started = $4; up = $8; took = $10 }
			$2 == "settled" && !settled { settled = $1 }
			END {
				if (took == "") printf "%-8s  %5d  %12s  %7s  %4s  %7.2f  %8.1f\n", s, r, "-", "no link", "-", settled, wall
				else printf "%-8s  %5d  %12.2f  %7.2f  %4.2f  %7.2f  %8.1f\n", s, r, started, up, took, settled, wall
			}
		' "$out/report"
		r=$((r + 1))
	done
done
