#!/bin/sh
# programs_start.sh TREE QEMU: every program of the install tree TREE starts under
# qemu-user with TREE as its root (its loader, C library and libraries, nothing of the
# host's): called with one unknown argument, each prints its usage and exits, with no
# loader message (musl, uClibc-ng), signal or exit status of a program that could not
# run. initqavo is not started here, as it brings up the machine it runs on; the
# emulated board boots it. Links (the broker's name) are not the tree's programs.
set -eu
tree=$1 qemu=$2
status=0
started=0
for program in "$tree"/bin/*; do
	name=$(basename "$program")
	[ -L "$program" ] && continue
	if [ "$name" = initqavo ]; then
		echo "$name: not started here"
		continue
	fi
	rc=0
	output=$(timeout 30 "$qemu" -L "$tree" "$program" --usage </dev/null 2>&1) || rc=$?
	if [ "$rc" -ge 126 ] || [ -z "$output" ] || printf '%s\n' "$output" |
		grep -qE "Error (loading|relocating)|can't (load|resolve)|symbol .* not found|Invalid ELF"; then
		echo "$name did not start (exit $rc): $output"
		status=1
	else
		started=$((started + 1))
	fi
done
echo "$started programs started"
[ "$started" -gt 0 ] && exit $status
exit 1
