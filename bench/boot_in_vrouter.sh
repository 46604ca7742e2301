#!/bin/bash
# The whole boot (nvram_daemon, then initqavo) in the virtual router with the
# no-op stand-ins: wall time beyond the boot's mandated one-second pause,
# per shell command initqavo ran, against the bare cost of one
# fork/exec/wait of "sh -c true" in the same sandbox. Target: within 1.2x.
#
#   bench/boot_in_vrouter.sh [--stage DIR] [ROUNDS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
stage_args=()
if [ "${1:-}" = --stage ]; then stage_args=(--stage "$2"); shift 2; fi
rounds=${1:-5}
state=$(mktemp -d /tmp/bench-boot.XXXXXX)
trap 'rm -rf "$state"' EXIT

"$here/sim/vrouter" "${stage_args[@]}" --state "$state/router" -- /bin/bash -c '
	set -e
	rounds=$1
	us() { local t=$EPOCHREALTIME; echo $(( ${t/./} )); }
	boot_us=0 commands=0
	for ((r = 0; r < rounds; r++)); do
		before=$(grep -c " initqavo " /.vrouter/log/sh.log 2> /dev/null || true)
		t0=$(us); initqavo > /dev/null 2>&1; t1=$(us)
		after=$(grep -c " initqavo " /.vrouter/log/sh.log)
		boot_us=$(( boot_us + t1 - t0 - 1000000 ))
		commands=$(( commands + after - before ))
	done
	n=$(( commands * 4 ))
	t0=$(us)
	for ((i = 0; i < n; i++)); do /bin/sh -c true; done
	t1=$(us)
	echo "$rounds $commands $boot_us $n $(( t1 - t0 ))"
' bench "$rounds" > "$state/figures"

read -r rounds commands boot_us n bare_us < "$state/figures"
awk -v r="$rounds" -v c="$commands" -v b="$boot_us" -v n="$n" -v s="$bare_us" 'BEGIN {
	per = b / c; bare = s / n
	printf "boots: %d, shell commands run by initqavo: %d (%.0f per boot)\n", r, c, c / r
	printf "boot wall time beyond the 1 s pause: %.1f ms per boot\n", b / r / 1000
	printf "per command in the boot:          %7.0f us\n", per
	printf "bare sh -c true (fork/exec/wait): %7.0f us (%d runs)\n", bare, n
	printf "ratio: %.2fx (target within 1.20x): %s\n", per / bare, (per / bare <= 1.2 ? "met" : "NOT met")
}'
