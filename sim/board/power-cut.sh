# shellcheck shell=sh
# Sourced by the emulated board's /init when the run cuts the power (sim/board-host/emulated-router
# --power-cut, with a "flash FS" scenario): instead of the router's boot, what the last
# cut left on the flash, then the writers until the host kills the emulator.
#   power_cut_run  prints, after "=== flash after the cut ===":
#     boot ID                    the prefix of this boot's generations
#     store VALUE                the store's "2860 power_cut" (nothing when unset)
#     store-error LINE           what the store said of its files (a damaged one)
#     file NAME SIZE, then "| LINE" per line (non-printable bytes as ?)   or: file NAME absent
#     temporaries-at-boot N      temporaries the cut left in the store and the files' directory
#     store-commit-ms MS         the mean time of 10 commits of the store alone, before the writers
#     temporaries-left NAMES     those still there once every writer committed once
#   then "=== writers running ===" and the writers, each acknowledgement "committed NAME
#   GENERATION" on the console: the store (nvram_set 2860 power_cut, a commit each: NAME
#   "store"), flash_writer over /flash/files/atomic.conf, and the control, a naive writer
#   that truncates and rewrites /flash/files/naive.conf without any sync. Without a
#   flash (a scenario with no "flash" line) /flash is a directory of the RAM root.
# shellcheck disable=SC2154 # log comes from /init

power_cut_files="/flash/files/atomic.conf /flash/files/naive.conf"

# naive_text GENERATION: the text flash_writer writes for GENERATION.
naive_text() {
	echo "generation $1"
	i=0
	while [ $i -lt 40 ]; do
		echo "line $i of generation $1"
		i=$((i + 1))
	done
	echo "end $1"
}

# first_commit NAME: passes acknowledgements on, marking NAME's first.
first_commit() {
	while read -r line; do
		echo "$line"
		[ -e "/tmp/committed.$1" ] || : >"/tmp/committed.$1"
	done
}

power_cut_run() {
	id=$(cut -c1-8 /proc/sys/kernel/random/boot_id)
	echo "=== flash after the cut ==="
	echo "boot $id"
	echo "store $(nvram_get 2860 power_cut 2>/tmp/store.err)"
	cat /tmp/store.err "$log/nvram_daemon.out" 2>/dev/null | sed 's/^/store-error /'
	for f in $power_cut_files; do
		if [ -f "$f" ]; then
			echo "file $f $(wc -c <"$f")"
			tr -c '\n -~' '?' <"$f" | awk '{ print "| " $0 }'
		else
			echo "file $f absent"
		fi
	done
	mkdir -p /flash/files
	stale=$(find /flash/files /etc/nvram -name '*.tmp.*')
	echo "temporaries-at-boot $(echo "$stale" | grep -c .)"
	start=$(cut -d' ' -f1 /proc/uptime)
	i=0
	while [ $i -lt 10 ]; do
		i=$((i + 1))
		nvram_set 2860 power_cut_timing $i
	done
	echo "store-commit-ms $(awk -v a="$start" -v b="$(cut -d' ' -f1 /proc/uptime)" 'BEGIN { printf "%.0f", (b - a) * 100 }')"
	{
		n=0
		while :; do
			n=$((n + 1))
			nvram_set 2860 power_cut "$id-$n" && echo "committed store $id-$n"
		done
	} | first_commit store &
	/.vrouter/flash_writer /flash/files/atomic.conf "$id" | first_commit atomic &
	{
		n=0
		while :; do
			n=$((n + 1))
			naive_text "$id-$n" >/flash/files/naive.conf
			echo "committed /flash/files/naive.conf $id-$n"
		done
	} | first_commit naive &
	i=0
	while [ $i -lt 100 ] && ! { [ -e /tmp/committed.store ] && [ -e /tmp/committed.atomic ] && [ -e /tmp/committed.naive ]; }; do
		sleep 0.1
		i=$((i + 1))
	done
	left=""
	for f in $stale; do [ ! -e "$f" ] || left="$left $f"; done
	echo "temporaries-left$left"
	echo "=== writers running ==="
	while :; do sleep 60; done
}
