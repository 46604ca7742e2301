# shellcheck shell=sh
# Sourced by the emulated board's /init: the board's NOR flash (sim/emulated/flash_map.c)
# when the scenario has a line "flash FS" (sim/emulated-router).
#   flash_load   the map and the flash's partitions, after the Factory partition so
#                that its number stays the one the boot expects
flash_load() {
	[ -f /scenario/flash ] || return 0
	modprobe flash_map || { echo "init: no flash"; return 1; }
}
