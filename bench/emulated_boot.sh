#!/bin/sh
# Boot time of the emulated router (sim/board-host/emulated-router, factory defaults): from the
# kernel's start to the board's final report marker, with initqavo's share of it, the
# moment the boot settled, and the wall time of the whole emulator run; then the peak
# resident memory (VmHWM) of our programs still running when the boot settled, and the
# cost of an LED request through the board's "/dev/gpio" (CUSE). The image must be built
# (scripts/emulated-router.sh). Prints figures, asserts nothing.
#
#   bench/emulated_boot.sh [ROUNDS]   (default 3)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=sim/common/report.sh
. "$here/sim/common/report.sh"
rounds=${1:-3}
out=$(mktemp -d /tmp/bench-emulated.XXXXXX)
trap 'rm -rf "$out"' EXIT
echo "round  to-marker  initqavo  share  settled  wall (s)"
r=1
while [ "$r" -le "$rounds" ]; do
	start=$(date +%s.%N)
	"$here/sim/board-host/emulated-router" --out "$out/run" >"$out/report"
	end=$(date +%s.%N)
	awk -v r="$r" -v wall="$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" '
		/^initqavo: / { sub(/,/, "", $3); took = $4 }
		$2 == "settled" && !settled { settled = $1 }
		/^=== end of report at / { marker = $6 }
		END { printf "%5d  %9.2f  %8.2f  %4.0f%%  %7.2f  %8.1f\n", r, marker, took, 100 * took / marker, settled, wall }
	' "$out/report"
	r=$((r + 1))
done
echo "peak resident memory (VmHWM, KiB) of our programs running when the last boot settled:"
report_section "$(cat "$out/report")" processes |
	awk '$2 ~ /^(nvram_daemon|qavo_sub|ombix_|initqavo)/ { printf "  %-16s %6d\n", $2, $3 }'
echo "cost of an LED request through /dev/gpio in the last boot:"
sed -n 's/^\(.*\): \([0-9.]* ms each\), .*/  \1: \2/p' "$out/report"
