# The emulated board's USB stick, sourced by /init. The host side
# (sim/board-host/emulated-router) attaches the stick to an EHCI controller and leaves
# /scenario/usb-stick when the scenario has one; without it nothing here loads or waits.
#   usb_stick_load    the controller, USB storage and file system modules
#   usb_stick_wait    waits, bounded, for sda1 and sda2 in /proc/partitions
#   usb_stick_report KEY  the report's records KEY-1 "USB stick" and KEY-2, the USB tool's
#                     (sim/common/usb-report), in /init's report directory ($report)
# They use /init's log directory ($log) and its event marker (mark).
# shellcheck shell=sh disable=SC2154

usb_stick_wanted() { [ -f /scenario/usb-stick ]; }

usb_stick_load() {
	usb_stick_wanted || return 0
	# usb-storage first, with no settling delay (the default waits 1 s per disk), so
	# that it takes the disk as soon as the controller finds it. The SCSI disk driver
	# is built into the kernel. FAT's default code page is 437 and Debian's default
	# character set ascii; ext4 checks its metadata with crc32c.
	for m in "usb-storage delay_use=0" ehci-pci vfat nls_cp437 nls_iso8859-1 nls_ascii crc32c_generic ext4; do
		# shellcheck disable=SC2086
		modprobe $m || echo "init: modprobe $m failed"
	done
}

usb_stick_wait() {
	usb_stick_wanted || return 0
	i=0
	while [ $i -lt 100 ]; do
		[ "$(awk '$4 == "sda1" || $4 == "sda2"' /proc/partitions | wc -l)" = 2 ] && { mark usb-stick; return 0; }
		sleep 0.1
		i=$((i + 1))
	done
	echo "init: the USB stick's partitions sda1 and sda2 did not appear within 10 s"
}

usb_stick_report() {
	{
		echo "USB stick"
		echo "partitions: $(awk '$4 ~ /^sd/ { printf "%s%s", s, $4; s = " " }' /proc/partitions)"
		awk '$1 ~ /^\/dev\/sd/ { print "mount: " $1, $2, $3 }' /proc/mounts
		awk '$1 ~ /^\/dev\/sd/ { print $2 }' /proc/mounts | while read -r point; do
			echo "statfs $point: $(stat -f -c 'type=%t bsize=%s blocks=%b bfree=%f bavail=%a' "$point")"
			find "$point" -type f ! -path '*/lost+found/*' | sort | while IFS= read -r f; do
				echo "file $f: $(head -n 1 "$f")"
			done
		done
	} >"$report/$1-1"
	# The virtual router's USB section, over a view of this board's logs and files in
	# the layout it reads.
	view=/.vrouter/usb-view
	mkdir -p $view/log
	ln -sfn /tmp $view/tmp
	ln -sfn /var $view/var
	ln -sfn "$log/initqavo.out" $view/log/boot.stdout
	ln -sfn "$log/initqavo.out" $view/log/boot.stderr
	ln -sfn "$log/sh.log" $view/log/sh.log
	cat "$log/standin.log" "$log/automount.log" >$view/log/standin.log 2>/dev/null
	busybox sh /.vrouter/usb-report $view >"$report/$1-2"
}
