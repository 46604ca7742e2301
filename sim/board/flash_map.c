// SPDX-License-Identifier: GPL-2.0
/*
 * The emulated board's flash: QEMU's Malta parallel flash (CFI, 4 MiB at 0x1e000000,
 * bank width 4, 64 KiB erase blocks) as an MTD with the board's three partitions.
 * Debian's Malta kernel has the CFI chip drivers but no map that binds this flash
 * (its device-tree map is not built), so the image builds this one
 * (scripts/emulated-router.sh) and the board's /init loads it.
 */
#include <linux/io.h>
#include <linux/module.h>
#include <linux/mtd/map.h>
#include <linux/mtd/mtd.h>
#include <linux/mtd/partitions.h>
#include <linux/sizes.h>

static struct map_info board_map = {
    .name = "board-flash",
    .phys = 0x1e000000,
    .size = SZ_4M,
    .bankwidth = 4,
};

/* The boot loader's first megabyte and the board's configuration stay read-only. */
static const struct mtd_partition board_partitions[] = {
    {.name = "YAMON", .offset = 0, .size = SZ_1M, .mask_flags = MTD_WRITEABLE},
    {.name = "User FS", .offset = MTDPART_OFS_APPEND, .size = 0x2e0000},
    {.name = "Board Config", .offset = MTDPART_OFS_APPEND, .size = SZ_128K, .mask_flags = MTD_WRITEABLE},
};

static struct mtd_info *board_mtd;

static int __init board_flash_init(void)
{
    int err;

    board_map.virt = ioremap(board_map.phys, board_map.size);
    if (!board_map.virt)
        return -ENOMEM;
    simple_map_init(&board_map);
    board_mtd = do_map_probe("cfi_probe", &board_map);
    if (!board_mtd) {
        err = -ENXIO;
        goto unmap;
    }
    board_mtd->owner = THIS_MODULE;
    err = mtd_device_register(board_mtd, board_partitions, ARRAY_SIZE(board_partitions));
    if (!err)
        return 0;
    map_destroy(board_mtd);
unmap:
    iounmap(board_map.virt);
    return err;
}

static void __exit board_flash_exit(void)
{
    mtd_device_unregister(board_mtd);
    map_destroy(board_mtd);
    iounmap(board_map.virt);
}

module_init(board_flash_init);
module_exit(board_flash_exit);
MODULE_LICENSE("GPL");
MODULE_DESCRIPTION("The emulated Malta board's parallel flash and its partitions");
