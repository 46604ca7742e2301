#!/bin/sh
# Power cuts on the emulated board's flash (tests/system/emulated_power_cut.sh with CUTS
# cuts on JFFS2 and on UBIFS), then one boot each with the store on JFFS2, on UBIFS and in
# RAM: the counts of the cuts per file system, cuts per minute, the mean mount time after
# a cut, and the mean time of a store commit. The image must be built
# (scripts/emulated-router.sh). Prints figures, asserts nothing.
#
#   bench/flash_power_cut.sh [CUTS]   (default 12; the long run: 200)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cuts=${1:-12}
out=$(mktemp -d /tmp/bench-flash.XXXXXX)
trap 'rm -rf "$out"' EXIT
QAVO_SOURCE_DIR=$here QAVO_POWER_CUTS=$cuts bash "$here/tests/system/emulated_power_cut.sh" jffs2 ubifs >"$out/cuts" 2>&1 || true
grep -v ' cut [0-9]*: ' "$out/cuts" | sed 's/; /;\n  /g'
sed -n 's/^\([a-z0-9]*\): \([0-9]*\) cuts in \([0-9]*\) s,.*/\1 \2 \3/p' "$out/cuts" |
	awk '{ printf "%s: %.1f cuts per minute\n", $1, $2 * 60 / $3 }'
for scenario in flash-jffs2 flash-ubifs store-in-ram; do
	"$here/sim/board-host/emulated-router" --scenario "$scenario" --out "$out/run" --flash "$out/flash-$scenario.bin" --power-cut 0 >/dev/null 2>&1
	echo "$scenario: $(tr -d '\r' <"$out/run/console.log" | sed -n 's/^store-commit-ms //p') ms per store commit"
done
