# shellcheck shell=sh
# Sourced by the emulated board's /init: the board's NOR flash (sim/board/flash_map.c)
# when the scenario has a line "flash FS", FS jffs2 or ubifs (sim/board-host/emulated-router).
#   flash_load   the map and the flash's partitions, after the Factory partition so that
#                its number stays the one the boot expects; then "User FS" in FS on /flash
#                (JFFS2 formats an erased partition itself; UBI gets a volume "userfs"
#                from ubinize on an erased partition, which UBIFS formats at its first
#                mount); the store's persistent section files (/etc/nvram) live in
#                /flash/nvram and the generated files' directory is /flash/files.
#                Prints "flash: FS mounted in S s" (the mount's seconds, the recovery
#                after a power cut included).
# They use /init's event marker (mark).
# shellcheck disable=SC2154

flash_load() {
	[ -f /scenario/flash ] || return 0
	fs=$(cat /scenario/flash)
	modprobe flash_map || { echo "init: no flash"; return 1; }
	user_fs=$(sed -n 's/^mtd\([0-9]*\):.*"User FS"$/\1/p' /proc/mtd)
	[ -n "$user_fs" ] || { echo "init: the flash has no User FS"; return 1; }
	if [ "$fs" = ubifs ] && [ "$(head -c 4 "/dev/mtd$user_fs")" != 'UBI#' ]; then
		printf '[userfs]\nmode=ubi\nvol_id=0\nvol_type=dynamic\nvol_name=userfs\nvol_size=1MiB\nvol_flags=autoresize\n' >/tmp/userfs.ini
		if ! { ubinize -o /tmp/userfs.ubi -m 1 -p 64KiB /tmp/userfs.ini &&
			ubiformat -y -q -f /tmp/userfs.ubi "/dev/mtd$user_fs"; }; then
			echo "init: no UBI volume on User FS"
			return 1
		fi
		rm -f /tmp/userfs.ini /tmp/userfs.ubi
	fi
	mkdir -p /flash
	start=$(cut -d' ' -f1 /proc/uptime)
	case $fs in
	jffs2) modprobe jffs2 && mount -t jffs2 "/dev/mtdblock$user_fs" /flash ;;
	ubifs) modprobe ubi "mtd=$user_fs" && modprobe zstd && modprobe deflate && modprobe ubifs && mount -t ubifs ubi0:userfs /flash ;;
	esac || { echo "init: User FS not mounted as $fs"; return 1; }
	echo "flash: $fs mounted in $(awk -v a="$start" -v b="$(cut -d' ' -f1 /proc/uptime)" 'BEGIN { printf "%.2f", b - a }') s"
	mkdir -p /flash/nvram /flash/files /etc/nvram
	mount --bind /flash/nvram /etc/nvram
	mark flash
}
