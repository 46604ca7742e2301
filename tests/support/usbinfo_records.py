#!/usr/bin/env python3
"""The records "/var/usbinfo" should hold, from the kernel's statfs figures of each
mounted storage partition, read on stdin in mount order, one line each as the tests get
them from `stat -f -c 'type=%t bsize=%s blocks=%b bfree=%f bavail=%a' POINT`:

    POINT: type=HEX bsize=N blocks=N bfree=N bavail=N

Sizes are KiB (truncated); the free space is the blocks available to users on ext2/3/4
and the free blocks elsewhere; each size is "%.2f GB|MB" of its single-precision
quotient or "< 1M"; the used share is "%.1f%". Both routers' USB tests use it."""
import struct
import sys

EXT_TYPES = ("ef53", "ef51")


def size_text(kib):
    for limit, unit in ((1048576, "GB"), (1024, "MB")):
        if kib >= limit:
            return "%.2f %s" % (struct.unpack("f", struct.pack("f", kib / limit))[0], unit)
    return "< 1M"


def record(line):
    point, figures = line.split(": ", 1)
    f = dict(item.split("=") for item in figures.split())
    bsize = int(f["bsize"])
    total = int(f["blocks"]) * bsize // 1024
    free = int(f["bavail"] if f["type"] in EXT_TYPES else f["bfree"]) * bsize // 1024
    used = total - free
    share = used / total * 100.0 if total else 0.0
    return "%s?%s?%s?%s?%.1f%%?#" % (point[len("/media/"):], size_text(total), size_text(used),
                                     size_text(free), share)


print("".join(record(line) for line in sys.stdin.read().splitlines() if line))
