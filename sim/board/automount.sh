#!/bin/sh
# automount.sh NAME [nosig]: the board's mount script, which the USB tool's "doMount"
# asks to mount a partition it found unmounted: /dev/NAME on /media/NAME (sda1 on
# /media/sda1), with the file system type the kernel recognises (BusyBox's mount tries
# each type the kernel has). "nosig" (nobody to signal here) is accepted and ignored.
# Each call is logged in /.vrouter/log/automount.log: time, name, arguments, then the
# result ("mounted TYPE" or "failed").
log=/.vrouter/log/automount.log
name=$1
case $name in
"" | */* | .*) echo "automount.sh: not a partition name: '$name'" >&2; exit 1 ;;
esac
mkdir -p "/media/$name"
if mount "/dev/$name" "/media/$name"; then
	result="mounted $(awk -v p="/media/$name" '$2 == p { t = $3 } END { print t }' /proc/mounts)"
else
	result=failed
	rmdir "/media/$name" 2>/dev/null
fi
echo "$(cut -d' ' -f1 /proc/uptime) automount.sh $* -> $result" >>"$log"
[ "$result" != failed ]
