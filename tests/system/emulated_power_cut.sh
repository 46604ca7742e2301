#!/bin/bash
# Power cuts on the emulated board's NOR flash, for each file system named (jffs2, ubifs):
# QAVO_POWER_CUTS cuts (default 12) on one flash image, each a boot that runs the writers
# of sim/board/power-cut.sh (the store's nvram_set with its commit, a generated file
# through AtomicFile, and the control: a naive "echo > file" writer) and a SIGKILL of the
# emulator after a random delay; the next boot on the same flash shows what the cut
# left. Checked after each cut: the store's value and the generated file are each whole
# and the last acknowledged version or the one being written (nothing acknowledged lost,
# nothing damaged), the store reports no damaged file, and the temporaries a cut left are
# gone once the writers have committed again. Each writer must acknowledge a commit in
# each boot (one that could not start would leave its file untested), and the control
# must show damage in the run, or the harness could no longer see any. Prints the counts
# per file system. Needs the router build (build/mipsel); skipped without it.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
source "$QAVO_SOURCE_DIR/sim/board-host/testlib.sh"
emulated_need_image
cuts=${QAVO_POWER_CUTS:-12}
atomic=/flash/files/atomic.conf
naive=/flash/files/naive.conf
control_damage=0

# file_state CHECK NAME: the generation NAME holds whole in the boot's CHECK, "absent" or
# "damaged" (a line missing, changed or cut, or a size that is not the lines').
file_state() {
	awk -v name="$2" '
		$1 == "file" { if (found) exit; if ($2 == name) { found = 1; size = $3 }; next }
		found && /^\| / { line[n++] = substr($0, 3); bytes += length($0) - 1; next }
		found { exit }
		END {
			if (size == "absent") { print "absent"; exit }
			g = line[0]; sub(/^generation /, "", g)
			whole = n == 42 && line[0] == "generation " g && line[41] == "end " g && bytes == size
			for (i = 1; whole && i <= 40; i++) whole = line[i] == "line " (i - 1) " of generation " g
			print whole ? g : "damaged"
		}' <<<"$1"
}

# next_allowed CONSOLE NAME STATE: what NAME may hold after this boot's cut: its last
# acknowledged version and the one after it, or, when nothing was acknowledged, what the
# boot found (STATE) and this boot's first.
next_allowed() {
	local acks last
	acks=$(grep -c "^committed $2 " <<<"$1")
	last=$(grep "^committed $2 " <<<"$1" | tail -n 1 | cut -d' ' -f3)
	if [ "$acks" -gt 0 ]; then echo "$last $boot-$((acks + 1))"; else echo "$3 $boot-1"; fi
}

# judge COUNTS WHAT STATE ALLOWED: counts STATE as whole and expected (ok), damaged or
# rolled back (whole but older, or missing), and names each that is not ok.
judge() {
	local -n counts=$1
	local key=rolled_back
	if [[ " $4 " == *" $3 "* ]]; then key=ok; elif [ "$3" = damaged ]; then key=damaged; fi
	# shellcheck disable=SC2004 # the key of an associative array is the value of key
	counts[$key]=$((counts[$key] + 1))
	[ $key = ok ] || echo "$fs cut $k: $2 $3, expected one of: $4"
}

power_cut_series() {
	local fs=$1 k console check store_state atomic_state naive_state
	local dir=$vr_runs/power-cut-$fs
	local -A store=([ok]=0 [damaged]=0 [rolled_back]=0) files=([ok]=0 [damaged]=0 [rolled_back]=0)
	local -A control=([ok]=0 [damaged]=0 [rolled_back]=0)
	local allowed_store=unset allowed_atomic=absent allowed_naive=absent commits=0 stale=0 mounts="" start=$SECONDS
	mkdir -p "$dir"
	for ((k = 0; k <= cuts; k++)); do
		ms=$((200 + RANDOM % 2400))
		if ! "$QAVO_SOURCE_DIR/sim/board-host/emulated-router" --scenario "flash-$fs" --out "$dir/boot$k" --flash "$dir/flash.bin" \
			--power-cut "$((ms / 1000)).$(printf %03d $((ms % 1000)))" >"$dir/boot$k.out" 2>&1; then
			cat "$dir/boot$k.out" >&2
			vr_fail "$fs boot $k: the writers did not run"
			return
		fi
		console=$(tr -d '\r' <"$dir/boot$k/console.log")
		for name in store $atomic $naive; do
			grep -q "^committed $name " <<<"$console" || vr_fail "$fs boot $k: the writer of $name acknowledged nothing"
		done
		check=$(sed -n '/^=== flash after the cut ===$/,/^=== writers running ===$/p' <<<"$console")
		mounts="$mounts $(sed -n "s/^flash: $fs mounted in \([0-9.]*\) s$/\1/p" <<<"$console")"
		boot=$(sed -n 's/^boot //p' <<<"$check")
		store_state=$(sed -n 's/^store //p' <<<"$check")
		[ -n "$store_state" ] || store_state="unset"
		! grep -q '^store-error' <<<"$check" || store_state=damaged
		atomic_state=$(file_state "$check" $atomic)
		naive_state=$(file_state "$check" $naive)
		if [ "$k" -gt 0 ]; then
			judge store "the store" "$store_state" "$allowed_store"
			judge files $atomic "$atomic_state" "$allowed_atomic"
			judge control "$naive (control)" "$naive_state" "$allowed_naive"
		fi
		stale=$((stale + $(sed -n 's/^temporaries-at-boot //p' <<<"$check")))
		left=$(sed -n 's/^temporaries-left//p' <<<"$check")
		[ -z "$left" ] || vr_fail "$fs boot $k: temporaries the cut left stayed:$left"
		commits=$((commits + $(grep -c '^committed store ' <<<"$console")))
		allowed_store=$(next_allowed "$console" store "$store_state")
		allowed_atomic=$(next_allowed "$console" $atomic "$atomic_state")
		allowed_naive=$(next_allowed "$console" $naive "$naive_state")
	done
	echo "$fs: $cuts cuts in $((SECONDS - start)) s, $commits store commits acknowledged;" \
		"store: ${store[damaged]} damaged, ${store[rolled_back]} rolled back;" \
		"AtomicFile: ${files[damaged]} damaged, ${files[rolled_back]} rolled back;" \
		"control (naive writer): ${control[damaged]} damaged, ${control[rolled_back]} rolled back;" \
		"temporaries left by a cut: $stale, none left after the next writes;" \
		"mount after a cut: $(awk '{ for (i = 2; i <= NF; i++) s += $i; printf "%.2f", s / (NF - 1) }' <<<"x $mounts") s on average"
	expect_eq "$fs: store values damaged or rolled back" "0 0" "${store[damaged]} ${store[rolled_back]}"
	expect_eq "$fs: AtomicFile's files damaged or rolled back" "0 0" "${files[damaged]} ${files[rolled_back]}"
	control_damage=$((control_damage + control[damaged] + control[rolled_back]))
}

for fs in "$@"; do
	power_cut_series "$fs"
done
[ "$control_damage" -gt 0 ] || vr_fail "the naive writer was never damaged: this harness would not see damage"
finish
