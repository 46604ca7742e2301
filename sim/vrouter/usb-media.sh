# shellcheck shell=bash
# Real USB storage for the virtual router, sourced by --setup scripts (bash, as root,
# inside the router's namespaces):
#   media_tmpfs MOUNTPOINT SIZE    a tmpfs (no reserved blocks, like FAT) of SIZE (e.g. 512k)
#   media_ext4 MOUNTPOINT SIZE     an ext4 image of SIZE in the router's /tmp, loop-mounted
# The host kernel has no vfat, so a tmpfs stands in for a FAT partition. The loop device
# is set up with autoclear: it is released when the router's mount namespace goes.
media_tmpfs() {
	mkdir -p "$1"
	mount -t tmpfs -o "size=$2" usb "$1"
}

media_ext4() {
	local image dev
	image=/tmp/$(basename "$1").img
	[ -e /dev/loop-control ] || mknod -m 660 /dev/loop-control c 10 237
	dev=$(losetup -f)
	[ -e "$dev" ] || mknod -m 660 "$dev" b 7 "${dev#/dev/loop}"
	truncate -s "$2" "$image"
	mkfs.ext4 -q -F "$image"
	mkdir -p "$1"
	mount -o loop="$dev" "$image" "$1"
}
