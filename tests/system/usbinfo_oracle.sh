#!/bin/bash
# The "/var/usbinfo" oracle of both routers' USB tests (tests/support/usbinfo_records.py)
# on figures worked out by hand: free space is the available blocks on ext2/3/4 (both
# magics) and the free blocks elsewhere, sizes below 1 MiB are "< 1M", a GB size is
# rounded in single precision (19.585... GiB shows as 19.58), an empty file system is
# 0.0% used. Needs no root.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
usbinfo_oracle "$(cat <<'END'
/media/sda1: type=4d44 bsize=4096 blocks=4096 bfree=1024 bavail=1000
/media/sd e'1: type=ef53 bsize=1024 blocks=2048 bfree=1024 bavail=512
/media/sdb1: type=ef51 bsize=4096 blocks=256 bfree=256 bavail=0
/media/sdc1: type=4d44 bsize=1024 blocks=20536361 bfree=20536361 bavail=0
/media/mmcblk0p1: type=9123683e bsize=4096 blocks=0 bfree=0 bavail=0
END
)"
expect_lines "records" "$(tr '#' '\n' <<<"$USBINFO")" <<'END'
sda1?16.00 MB?12.00 MB?4.00 MB?75.0%?
sd e'1?2.00 MB?1.50 MB?< 1M?75.0%?
sdb1?1.00 MB?1.00 MB?< 1M?100.0%?
sdc1?19.58 GB?< 1M?19.58 GB?0.0%?
mmcblk0p1?< 1M?< 1M?< 1M?0.0%?
END
before=$vr_failures
usbinfo_oracle "/media/sda2: type=ef53 bsize=4096 blocks=256 bfree=16 bavail=16" 2>/dev/null
reported=$((vr_failures - before)) vr_failures=$before
expect_eq "an ext mount without reserved blocks is reported" 1 "$reported"
finish
