#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted code runs in the virtual router's shell
# "doMount" with /proc/partitions fixtures: a partition list that cannot be read or is not
# there, and a mount list whose pipe cannot be opened (which partitions are mounted, long
# and hostile names are the dry-run unit test's).
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

fixtures=$(mktemp -d "$vr_runs/fixtures.XXXX")
partitions() { # partitions DIR NAME... : a /proc/partitions fixture listing the names
	mkdir -p "$1"
	local dir=$1 n=0 name
	shift
	{
		printf 'major minor  #blocks  name\n\n'
		printf '  31        0       4096 mtdblock0\n'
		for name in "$@"; do
			n=$((n + 1))
			printf '   8       %2d    7812500 %s\n' "$n" "$name"
		done
	} > "$dir/partitions"
}

# A partition list that cannot be read: nothing mounted, the tool ends normally.
mkdir -p "$fixtures/unreadable/partitions"
vr_run --static-proc "$fixtures/unreadable" -- ombix_networkconfig mtk7620 doMount
grep -q Sanitizer "$VR_STDERR" && vr_fail "sanitizer report: $(cat "$VR_STDERR")"
expect_eq "unreadable list: status" 1 "$VR_STATUS"
expect_eq "unreadable list: commands" "" "$(sh_commands ombix_networkconfig)"

# A partition list that is not there at all: the same, with a message.
partitions "$fixtures/gone" sda1
vr_run --static-proc "$fixtures/gone" --setup 'rm /proc/partitions' -- ombix_networkconfig mtk7620 doMount
expect_eq "missing list: status" 1 "$VR_STATUS"
expect_eq "missing list: commands" "" "$(sh_commands ombix_networkconfig)"
grep -q '/proc/partitions' "$VR_STDERR" || vr_fail "no message for the missing partition list"

# The mount list's pipe cannot be opened (no descriptors left): nothing is mounted,
# the candidate still brings the signal, the tool ends normally.
# Descriptors above 2 are closed first, so the partition list takes the last one.
partitions "$fixtures/disks" sda sda1 sdb sdb1 sdb2 sda0
no_spare_fds='for fd in /proc/$$/fd/*; do fd=${fd##*/}; [ "$fd" -gt 2 ] && eval "exec $fd>&-"; done
	ulimit -n 4; exec ombix_networkconfig mtk7620 doMount'
vr_run --proc-fixture "$fixtures/disks" -- /bin/bash -c "$no_spare_fds"
expect_eq "no pipe: status" 1 "$VR_STATUS"
expect_log_lines ombix_networkconfig <<'LINES'
killall -SIGTTIN qavo_sub
LINES
expect_eq "no pipe: mount script calls" "" "$(standin_calls automount.sh)"
grep -q 'cannot read the mount list' "$VR_STDERR" || vr_fail "no message for the mount list"

[ "$vr_failures" = 0 ] || vr_show_run
finish
