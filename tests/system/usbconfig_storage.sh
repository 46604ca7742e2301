#!/bin/bash
# shellcheck disable=SC2016 # a hostile partition name is single-quoted on purpose
# ombix_usbconfig on real mounts under /media (tmpfs for FAT, a loop-mounted ext4 image):
# the partition list, /var/usbinfo against sizes computed here from statvfs, the card
# script, the LED and printer commands, doMount's mount requests and a hostile name.
# Command sequences and refusals in detail are the unit tests' (tests/usbconfig).
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

# The helpers go in as text: the source tree is not visible inside the router.
media="set -e
$(cat "$QAVO_SOURCE_DIR/sim/vrouter/usb-media.sh")"
fixtures=$(mktemp -d "$vr_runs/fixtures.XXXX")
mkdir -p "$fixtures/dev" && : > "$fixtures/dev/lp0"

# The statfs figures of the storage mounts ombix_usbconfig sums up, in mount order, for
# the records of /var/usbinfo (usbinfo_oracle).
statfs='for p in /media/sda1 /media/sdb1 /media/sdc1 "/media/sd e'"'"'1" /media/mmcblk0p1; do
	echo "$p: $(stat -f -c "type=%t bsize=%s blocks=%b bfree=%f bavail=%a" "$p")"; done > /tmp/statfs'

# Storage of every size class, a USB stick that is not storage, a hostile mount point,
# a memory card with a start-up script and the same script on a disk; printer enabled.
setup="$media
media_tmpfs /media/sda1 512k
media_tmpfs /media/usb1 1m
media_tmpfs /media/sdb1 1m
media_ext4 /media/sdc1 12M
media_tmpfs \"/media/sd e'1\" 1g
media_tmpfs /media/mmcblk0p1 1m
printf '#!/bin/sh\necho card > /tmp/card-ran\n' > /media/mmcblk0p1/init.sh
printf '#!/bin/sh\necho disk > /tmp/disk-ran\n' > /media/sda1/init.sh
chmod +x /media/mmcblk0p1/init.sh /media/sda1/init.sh"
vr_run --set PrinterSrvEnabled=1 --dev-fixture "$fixtures/dev" --setup "$setup" -- /bin/bash -c \
	"ombix_usbconfig mtk7620 init; status=\$?
	$statfs
	nvram_get 2860 UsbFisrtPart > /tmp/list
	exit \$status"
expect_eq "init: status" 1 "$VR_STATUS"
expect_file /tmp/list "/media/sda1?/media/sdb1?/media/sdc1?/media/sd e'1?/media/mmcblk0p1?"$'\n'
expect_file /tmp/UsbFlag $'1\n'
usbinfo_oracle "$(cat "$VR_STATE/tmp/statfs")"
expect_file /var/usbinfo "$USBINFO"
info=$(cat "$VR_STATE/var/usbinfo")
for record in 'sda1?< 1M?' 'sdb1?1.00 MB?' "sd e'1?1.00 GB?"; do
	[[ $info == *"$record"* ]] || vr_fail "usbinfo lacks $record: $info"
done
expect_file /tmp/card-ran $'card\n'
expect_no_file /tmp/disk-ran
drops=$(printf 'echo 3 > /proc/sys/vm/drop_caches\n%.0s' 1 2 3 4 5 6)
expect_log_lines ombix_usbconfig <<LINES
cat /proc/mounts | grep media
echo 1 > /tmp/UsbFlag
echo 1 > /tmp/UsbFlag
echo 1 > /tmp/UsbFlag
echo 1 > /tmp/UsbFlag
echo 1 > /tmp/UsbFlag
gpio l 13 4000 0 1 0 0
/media/mmcblk0p1/init.sh
$drops
usbmemdrop.sh &
storage.sh admin
storage.sh ftp
killall p910nd
p910nd -b -f /dev/lp0
LINES

# doMount: sda1 is mounted; the others are mounted by request, the hostile name quoted,
# then the init work runs and finds sda1.
partitions=$fixtures/partitions
mkdir -p "$partitions"
printf 'major minor  #blocks  name\n\n%s\n' '   8  0  7812500 sda' '   8  1  7812500 sda1' \
	'   8 16  7812500 sdb' '   8 17  7812500 sdb1' ' 179  0  1000000 mmcblk0' '   8 33  100 sdc1$(reboot)' \
	> "$partitions/partitions"
vr_run --proc-fixture "$partitions" --setup "$media; media_tmpfs /media/sda1 1m" -- ombix_usbconfig mtk7620 doMount
expect_eq "doMount: status" 1 "$VR_STATUS"
expect_lines "doMount: mount requests" "$(standin_calls automount.sh)" <<'LINES'
automount.sh sdb1 nosig
automount.sh mmcblk0 nosig
automount.sh sdc1$(reboot) nosig
LINES
expect_eq "doMount: no injected command" "" "$(standin_calls reboot)"
expect_file /tmp/UsbFlag $'1\n'
grep -q '^sda1?1.00 MB?' "$VR_STATE/var/usbinfo" || vr_fail "doMount: no usbinfo for sda1"

[ "$vr_failures" = 0 ] || vr_show_run
finish
