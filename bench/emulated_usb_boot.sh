#!/bin/sh
# What the USB stick adds to a boot of the emulated router: the factory defaults
# ("dhcp") and the same with the stick plugged in ("usb-stick") booted by turns, each
# round printing for both the modules' loading (from /init's start), the wait for the
# stick's partitions before initqavo (from the store's start), the moment the boot
# settled and the final report marker (seconds since the kernel's start). The image
# must be built (scripts/emulated-router.sh). Prints figures, asserts nothing.
#
#   bench/emulated_usb_boot.sh [ROUNDS]   (default 3)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
out=$(mktemp -d /tmp/bench-emulated-usb.XXXXXX)
trap 'rm -rf "$out"' EXIT
echo "round  scenario   modules  stick-wait  settled  to-marker (s)"
r=1
while [ "$r" -le "$rounds" ]; do
	for scenario in dhcp usb-stick; do
		"$here/sim/board-host/emulated-router" --scenario "$scenario" --out "$out/run" >"$out/report"
		awk -v r="$r" -v s="$scenario" '
			$2 == "init" { init = $1 } $2 == "modules" { modules = $1 }
			$2 == "store" { store = $1 } $2 == "usb-stick" { stick = $1 }
			$2 == "settled" && !settled { settled = $1 }
			/^=== end of report at / { marker = $6 }
			END { printf "%5d  %-9s  %7.2f  %10.2f  %7.2f  %9.2f\n", r, s, modules - init,
				stick ? stick - store : 0, settled, marker }
		' "$out/report"
	done
	r=$((r + 1))
done
