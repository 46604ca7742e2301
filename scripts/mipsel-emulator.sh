#!/bin/sh
# mipsel-emulator.sh SYSROOT PROGRAM [ARGS...]
# Runs a mipsel program under qemu-mipsel-static with SYSROOT as its root, for CTest
# (the router build's CMAKE_CROSSCOMPILING_EMULATOR).
#
# Tests also start our other mipsel programs themselves (fork + exec). binfmt is not
# registered on the build machines, and registering it for the whole host is not ours
# to do, so the program runs in a user and mount namespace of its own with a private
# binfmt_misc instance (Linux 6.7 and later) that hands mipsel executables to qemu.
# Where that is not possible the program still runs, without that help.
set -eu
[ $# -ge 2 ] || { echo "usage: $0 SYSROOT PROGRAM [ARGS...]" >&2; exit 2; }
sysroot=$1
shift
qemu=$(command -v qemu-mipsel-static) || { echo "$0: qemu-mipsel-static not found" >&2; exit 2; }

if [ -z "${QAVO_MIPSEL_NAMESPACE:-}" ] && command -v unshare >/dev/null &&
	QAVO_MIPSEL_NAMESPACE=1 unshare --user --map-root-user --mount true 2>/dev/null; then
	QAVO_MIPSEL_NAMESPACE=1 exec unshare --user --map-root-user --mount "$0" "$sysroot" "$@"
fi

if [ -n "${QAVO_MIPSEL_NAMESPACE:-}" ] &&
	mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null; then
	# ELF32, little-endian, executable or shared object, machine MIPS (8).
	magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x08\x00'
	mask='\xff\xff\xff\xff\xff\xff\xff\x00\xfe\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
	echo ":qemu-mipsel:M::$magic:$mask:$qemu:F" >/proc/sys/fs/binfmt_misc/register
	# Programs started through binfmt find their libraries in the sysroot too.
	export QEMU_LD_PREFIX="$sysroot"
fi
exec "$qemu" -L "$sysroot" "$@"
