#!/bin/bash
# The router build on the emulated MIPS board with a USB stick plugged in (scenario
# "usb-stick": the factory defaults and a stick of sim/board-host/usb-stick.sh, a FAT and
# an ext4 partition on QEMU's USB storage behind an EHCI controller). Checked on the
# kernel's own tables: sda1 and sda2 in /proc/partitions; the boot's "doMount" had the
# board's automount.sh mount both on /media/sda1 (vfat) and /media/sda2 (ext4) and the
# files are readable there; its "init" work wrote what the router shows: "UsbFisrtPart",
# /tmp/UsbFlag and /var/usbinfo, whose records are recomputed here from the kernel's
# statfs figures of each mount; the whole command sequence of "doMount" ran; the WAN
# still came up. Needs the router build (build/mipsel); skipped without it.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
source "$QAVO_SOURCE_DIR/sim/board-host/testlib.sh"
emulated_need_image
report=$("$QAVO_SOURCE_DIR/sim/board-host/emulated-router" --scenario usb-stick --out "$vr_runs/usb-stick" 2>&1)
expect_eq "board printed its whole report" 0 "$?"
usb=$(report_section "$report" 'USB stick'; report_section "$report" 'USB tool')
usb_field() { report_field "$usb" " *$1"; }

expect_eq "initqavo status" "exit 0" "$(report_field "$report" initqavo | cut -d, -f1)"
expect_eq "the WAN still came up" "default via 10.0.2.2 dev eth2.2" "$(report_field "$report" 'default route')"
expect_eq "the stick's partitions in /proc/partitions" "sda sda1 sda2" "$(usb_field partitions)"
expect_lines "USB partitions mounted, where and as what" "$(sed -n 's/^mount: //p' <<<"$usb")" <<'END'
/dev/sda1 /media/sda1 vfat
/dev/sda2 /media/sda2 ext4
END
# The FAT file with a long name is only seen under it when FAT is mounted as vfat.
expect_lines "the stick's files, read on the router" "$(sed -n 's/^file //p' <<<"$usb")" <<'END'
/media/sda1/Holiday notes 2026.txt: Beach, mountains, and the router mounted this long name.
/media/sda1/hello.txt: Hello from the FAT partition of the USB stick.
/media/sda2/hello.txt: Hello from the ext4 partition of the USB stick.
/media/sda2/photos/list.txt: sunrise.jpg
END

# /var/usbinfo from the kernel's statfs figures of each mount.
statfs=$(sed -n 's/^statfs //p' <<<"$usb")
expect_eq "statfs of both mounts" "/media/sda1 /media/sda2" "$(cut -d: -f1 <<<"$statfs" | tr '\n' ' ' | sed 's/ $//')"
usbinfo_oracle "$statfs"
expect_eq "/var/usbinfo" "$USBINFO" "$(usb_field /var/usbinfo)"
expect_eq "/tmp/UsbFlag" "1" "$(usb_field /tmp/UsbFlag)"
expect_eq "UsbFisrtPart" '"/media/sda1?/media/sda2?"' "$(usb_field UsbFisrtPart)"
expect_eq "the \"init\" work ran for \"init\" and for \"doMount\"" '2 time(s)' \
	"$(sed -n 's/^ *"init" work done //p' <<<"$usb")"
expect_lines "automount.sh's calls and results" "$(sed -n 's/^ *\(automount\.sh .*\)/\1/p' <<<"$usb")" <<'END'
automount.sh sda1 nosig -> mounted vfat
automount.sh sda2 nosig -> mounted ext4
END

# The boot started both commands, and the "doMount" process (the one that asked for
# the mounts) ran its whole sequence on the real disk.
commands=$(report_section "$report" 'shell commands')
for line in "initqavo ombix_usbconfig mtk7620 init &" "initqavo ombix_usbconfig mtk7620 doMount &"; do
	grep -qF " $line" <<<"$commands" || vr_fail "the boot did not run: $line"
done
domount=$(awk '$3 == "ombix_usbconfig" && $4 == "automount.sh" { print $2; exit }' <<<"$commands")
expect_lines "the commands of \"doMount\"" \
	"$(awk -v p="$domount" '$2 == p && $3 == "ombix_usbconfig" { sub(/^[^ ]+ [^ ]+ [^ ]+ /, ""); print }' <<<"$commands")" <<'END'
cat /proc/mounts | grep media
automount.sh sda1 nosig
cat /proc/mounts | grep media
automount.sh sda2 nosig
cat /proc/mounts | grep media
echo 1 > /tmp/UsbFlag
echo 1 > /tmp/UsbFlag
gpio l 13 4000 0 1 0 0
echo 3 > /proc/sys/vm/drop_caches
echo 3 > /proc/sys/vm/drop_caches
echo 3 > /proc/sys/vm/drop_caches
usbmemdrop.sh &
storage.sh admin
storage.sh ftp
killall p910nd
END
[ "$vr_failures" = 0 ] || printf '%s\n' "$report" >&2
finish
