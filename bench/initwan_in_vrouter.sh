#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted code runs in another shell
# "initwan" in static mode in the virtual router with the no-op stand-ins: wall time
# beyond the bring-up's prescribed 3 s pause, per shell command the tool ran, against
# the bare cost of running the same commands by fork/exec/wait of the same shell in the
# same sandbox. Target: within 1.2x. (The MAC address is a cloned one, so the factory
# read and its second pause are left out.) The router's /etc is a RAM file system: with
# --ram the sandbox's state lives on a tmpfs mounted in a private mount namespace (the
# host sees nothing), so the resolver files are not synced to the host's disk.
#
#   bench/initwan_in_vrouter.sh [--stage DIR] [--ram] [ROUNDS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
stage_args=()
if [ "${1:-}" = --stage ]; then stage_args=(--stage "$2"); shift 2; fi
if [ "${1:-}" = --ram ] && [ -z "${BENCH_IN_RAM:-}" ]; then
	shift
	state=$(mktemp -d /tmp/bench-initwan.XXXXXX)
	trap 'rm -rf "$state"' EXIT
	BENCH_IN_RAM=$state unshare --mount --propagation private -- \
		/bin/bash -c 'mount -t tmpfs bench-ram "$BENCH_IN_RAM" && exec "$0" "$@"' "$0" "${stage_args[@]}" "$@"
	exit
fi
[ "${1:-}" != --ram ] || shift
rounds=${1:-5}
if [ -n "${BENCH_IN_RAM:-}" ]; then
	state=$BENCH_IN_RAM
else
	state=$(mktemp -d /tmp/bench-initwan.XXXXXX)
	trap 'rm -rf "$state"' EXIT
fi

# Only the tool and the store from the stage: every program it starts is a stand-in.
source "$here/bench/stage_subset.sh"
stage_subset "$state" ombix_networkconfig nvram_daemon nvram_get nvram_set

"$here/sim/vrouter/vrouter" "${stage_args[@]}" --state "$state/router" \
	--set wanConnectionMode=STATIC --set OperationMode=1 --set WanPhyNum=4 \
	--set macCloneEnabled=1 --set macCloneMac=02:00:00:00:02:02 --set wan_ipaddr=10.0.2.20 \
	--set wan_netmask=255.255.255.0 --set wan_static_mtu=1500 --set wan_gateway=10.0.2.2 \
	--set wan_primary_dns=10.0.2.2 -- /bin/bash -c '
	set -e
	rounds=$1
	us() { local t=$EPOCHREALTIME; echo $(( ${t/./} )); }
	# Each run is followed at once by the bare replay of its own commands, so both see
	# the same load on a shared machine; one line per round.
	for ((r = 0; r < rounds; r++)); do
		before=$(grep -c " ombix_networkco " /.vrouter/log/sh.log 2> /dev/null || true)
		t0=$(us); ombix_networkconfig mtk7620 initwan > /dev/null 2>&1 || true; t1=$(us)
		after=$(grep -c " ombix_networkco " /.vrouter/log/sh.log)
		mapfile -t lines < <(grep " ombix_networkco " /.vrouter/log/sh.log | tail -n $(( after - before )) | cut -d" " -f4-)
		t2=$(us)
		for cmd in "${lines[@]}"; do /bin/sh -c "$cmd" > /dev/null 2>&1 || true; done
		t3=$(us)
		echo "$(( after - before )) $(( t1 - t0 - 3000000 )) $(( t3 - t2 ))"
	done
' bench "$rounds" > "$state/figures"

# Per round: commands, initwan beyond the pause, bare replay (microseconds).
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
commands=$(awk 'NR == 1 { print $1 }' "$state/figures")
per=$(awk '{ print $2 / $1 }' "$state/figures" | median)
bare=$(awk '{ print $3 / $1 }' "$state/figures" | median)
ratios=$(awk '{ print $2 / $3 }' "$state/figures" | sort -g)
awk -v n="$(wc -l < "$state/figures")" -v c="$commands" -v per="$per" -v bare="$bare" \
	-v ratio="$(median <<< "$ratios")" -v low="$(head -n 1 <<< "$ratios")" -v high="$(tail -n 1 <<< "$ratios")" 'BEGIN {
	printf "initwan runs: %d, %d shell commands each\n", n, c
	printf "per command in initwan, beyond the 3 s pause (median): %7.0f us\n", per
	printf "same commands, bare fork/exec/wait of sh (median):     %7.0f us\n", bare
	printf "ratio, median of the rounds: %.2fx (range %.2f-%.2f; target within 1.20x): %s\n",
		ratio, low, high, (ratio <= 1.2 ? "met" : "NOT met")
}'
