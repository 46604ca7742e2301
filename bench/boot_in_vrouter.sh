#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted code runs in the virtual router's shell
# The whole boot (nvram_daemon, then initqavo) in the virtual router with the
# no-op stand-ins: wall time beyond the boot's mandated one-second pause,
# per shell command initqavo ran, against the bare cost of running the same
# commands by fork/exec/wait of the same shell in the same sandbox. Target: within 1.2x.
#
#   bench/boot_in_vrouter.sh [--stage DIR] [ROUNDS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
stage_args=()
if [ "${1:-}" = --stage ]; then stage_args=(--stage "$2"); shift 2; fi
rounds=${1:-5}
state=$(mktemp -d /tmp/bench-boot.XXXXXX)
trap 'rm -rf "$state"' EXIT

# A stage holding only the boot program and the store: the tools, the broker and the
# subscriber it starts are then the virtual router's no-op stand-ins, so the figure is
# initqavo's own cost and not that of the programs running beside it.
source "$here/bench/stage_subset.sh"
stage_subset "$state" initqavo nvram_daemon nvram_get nvram_set

"$here/sim/vrouter/vrouter" "${stage_args[@]}" --state "$state/router" -- /bin/bash -c '
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
	# The same commands, replayed by a bare fork/exec/wait of the same shell.
	per_boot=$(( commands / rounds ))
	mapfile -t lines < <(grep " initqavo " /.vrouter/log/sh.log | tail -n "$per_boot" | cut -d" " -f4-)
	t0=$(us)
	for ((r = 0; r < rounds; r++)); do
		for cmd in "${lines[@]}"; do /bin/sh -c "$cmd" > /dev/null 2>&1 || true; done
	done
	t1=$(us)
	replay_us=$(( t1 - t0 ))
	n=$(( commands * 4 ))
	t0=$(us)
	for ((i = 0; i < n; i++)); do /bin/sh -c true; done
	t1=$(us)
	echo "$rounds $commands $boot_us $replay_us $n $(( t1 - t0 ))"
' bench "$rounds" > "$state/figures"

read -r rounds commands boot_us replay_us n true_us < "$state/figures"
awk -v r="$rounds" -v c="$commands" -v b="$boot_us" -v p="$replay_us" -v n="$n" -v s="$true_us" 'BEGIN {
	per = b / c; bare = p / c
	printf "boots: %d, shell commands run by initqavo: %d (%.0f per boot)\n", r, c, c / r
	printf "boot wall time beyond the 1 s pause: %.1f ms per boot\n", b / r / 1000
	printf "per command in the boot:                    %7.0f us\n", per
	printf "same commands, bare fork/exec/wait of sh:   %7.0f us\n", bare
	printf "(sh -c true alone:                          %7.0f us, %d runs)\n", s / n, n
	printf "ratio: %.2fx (target within 1.20x): %s\n", per / bare, (per / bare <= 1.2 ? "met" : "NOT met")
}'
