#!/bin/sh
# usb-stick.sh IMAGE: writes the emulated router's USB stick to IMAGE, a raw disk of
# 40 MiB with an MBR and two partitions, as a stick from a shop shelf or a PC:
#   1  16 MiB FAT16 (type 0e), label "QAVOSTICK": "hello.txt" and, to show that the
#      router mounts it as vfat with long names, "Holiday notes 2026.txt"
#   2  the rest, ext4, label "qavo-data": "hello.txt" and "photos/list.txt"
# Built without mounting and without loop devices (a container's kernel has neither
# vfat nor partition nodes for loop devices): sfdisk writes the table, mkfs.vfat
# --offset and mtools the FAT partition in place, and mkfs.ext4 -d an ext4 file system
# image that dd puts at the second partition's offset. The file systems get fixed
# identifiers and times, so the same script always writes the same stick.
# The stick is kept: rebuilt only when this script changed (a stamp beside IMAGE).
set -eu
image=$1
stamp=$image.stamp
want=$(sha256sum <"$0" | cut -d' ' -f1)
if [ -f "$image" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
	exit 0
fi
for tool in sfdisk mkfs.vfat mcopy mkfs.ext4; do
	command -v "$tool" >/dev/null ||
		{ echo "usb-stick: no $tool (scripts/install-deps.sh installs fdisk, dosfstools, mtools, e2fsprogs)" >&2; exit 2; }
done

sector=512
fat_start=2048         # 1 MiB, where partitioning tools start the first partition
fat_sectors=32768      # 16 MiB
ext_start=$((fat_start + fat_sectors))
disk_sectors=81920     # 40 MiB
ext_sectors=$((disk_sectors - ext_start))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f "$image" "$stamp"
truncate -s $((disk_sectors * sector)) "$image.new"
sfdisk --quiet "$image.new" <<TABLE
label: dos
label-id: 0x51a7c0de
start=$fat_start, size=$fat_sectors, type=e
start=$ext_start, size=$ext_sectors, type=83
TABLE

# Partition 1: FAT16 written at its offset; mtools reach it through "IMAGE@@BYTES".
mkfs.vfat -F 16 -n QAVOSTICK -i 51A7C0DE --offset $fat_start "$image.new" $((fat_sectors * sector / 1024)) >/dev/null 2>&1
printf 'Hello from the FAT partition of the USB stick.\n' >"$work/hello.txt"
printf 'Beach, mountains, and the router mounted this long name.\n' >"$work/holiday.txt"
touch -d '2026-01-01 00:00:00 UTC' "$work/hello.txt" "$work/holiday.txt"
fat=$image.new@@$((fat_start * sector))
export MTOOLS_SKIP_CHECK=1
mcopy -m -i "$fat" "$work/hello.txt" ::/hello.txt
mcopy -m -i "$fat" "$work/holiday.txt" "::/Holiday notes 2026.txt"

# Partition 2: an ext4 image filled from a directory, copied in at its offset.
mkdir -p "$work/ext4/photos"
printf 'Hello from the ext4 partition of the USB stick.\n' >"$work/ext4/hello.txt"
printf 'sunrise.jpg\nharbour.jpg\n' >"$work/ext4/photos/list.txt"
touch -d '2026-01-01 00:00:00 UTC' "$work/ext4/hello.txt" "$work/ext4/photos/list.txt" "$work/ext4/photos" "$work/ext4"
E2FSPROGS_FAKE_TIME=1767225600 mkfs.ext4 -q -F -L qavo-data -U 51a7c0de-0000-4000-8000-000000000002 \
	-E hash_seed=51a7c0de-0000-4000-8000-000000000003 -d "$work/ext4" \
	"$work/ext4.img" $((ext_sectors * sector / 1024))k >/dev/null
dd if="$work/ext4.img" of="$image.new" bs=$sector seek=$ext_start conv=notrunc,sparse status=none

mv "$image.new" "$image"
echo "$want" >"$stamp"
