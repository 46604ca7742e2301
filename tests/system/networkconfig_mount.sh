#!/bin/bash
# shellcheck disable=SC2016 # router code and hostile partition names are single-quoted on purpose
# "doMount" with /proc/partitions fixtures and real mounts: the mount list's substring
# match, names too long for the buffer skipped, a hostile name quoted, and an unreadable
# partition list or mount list (no disk and every candidate mounted are the dry-run unit
# test's).
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

# sda1 counts as mounted under /media/sda10; sdb1 and sdb2 are not mounted: two
# mount commands, then one signal.
partitions "$fixtures/two" sda sda1 sdb sdb1 sdb2 sda0
vr_run --proc-fixture "$fixtures/two" --setup 'mkdir -p /media/sda10 && mount -t tmpfs media /media/sda10' \
	-- ombix_networkconfig mtk7620 doMount
expect_log_lines ombix_networkconfig <<'LINES'
cat /proc/mounts | grep media
cat /proc/mounts | grep media
automount.sh sdb1 nosig
cat /proc/mounts | grep media
automount.sh sdb2 nosig
killall -SIGTTIN qavo_sub
LINES
expect_lines "mount script calls" "$(standin_calls automount.sh)" <<'LINES'
automount.sh sdb1 nosig
automount.sh sdb2 nosig
LINES

# A name longer than 14 characters is skipped with a message; a hostile name that fits
# reaches the mount script as one quoted word and runs nothing.
partitions "$fixtures/odd" sdc1xxxxxxxxxxxxxxxxxxxxxxx 'sdc1$(reboot)'
vr_run --proc-fixture "$fixtures/odd" -- ombix_networkconfig mtk7620 doMount
expect_log_lines ombix_networkconfig <<'LINES'
cat /proc/mounts | grep media
automount.sh 'sdc1$(reboot)' nosig
killall -SIGTTIN qavo_sub
LINES
expect_lines "hostile name: stand-ins" "$(standin_calls)" <<'LINES'
automount.sh sdc1$(reboot) nosig
LINES
grep -q 'sdc1xxxxxxxxxx.*skipped' "$VR_STDERR" || vr_fail "no message for the long name"

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
no_spare_fds='for fd in /proc/$$/fd/*; do fd=${fd##*/}; [ "$fd" -gt 2 ] && eval "exec $fd>&-"; done
	ulimit -n 4; exec ombix_networkconfig mtk7620 doMount'
vr_run --proc-fixture "$fixtures/two" -- /bin/bash -c "$no_spare_fds"
expect_eq "no pipe: status" 1 "$VR_STATUS"
expect_log_lines ombix_networkconfig <<'LINES'
killall -SIGTTIN qavo_sub
LINES
expect_eq "no pipe: mount script calls" "" "$(standin_calls automount.sh)"
grep -q 'cannot read the mount list' "$VR_STDERR" || vr_fail "no message for the mount list"

[ "$vr_failures" = 0 ] || vr_show_run
finish
