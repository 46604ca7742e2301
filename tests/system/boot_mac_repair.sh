#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted boot runs in the virtual router's shell
# Factory MAC repair in a whole boot: "iwpriv ra0 e2p" prints a driver dump kept up to
# date by the write commands, the repaired WAN_MAC_ADDR is read back from the real store
# after the run, and the boot pauses before the reboot and goes on after it. Also a factory
# boot's per-unit SSID from ra0's real address and its system LED. (The repair's commands
# for each dump, a refused write and a unit left alone are the unit tests'.)
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

# A dump in the driver's format: eight "[0xOOOO]:HHHH" words a line for bytes 0 to 0xFF.
# Arguments "offset=word" set words; the others read FFFF.
e2p_dump() {
	local -A set=()
	local kv w
	for kv in "$@"; do set[${kv%%=*}]=${kv#*=}; done
	printf 'ra0       e2p:\n'
	for ((w = 0; w < 0x100; w += 2)); do
		local key
		key=$(printf '%04X' "$w")
		printf '[0x%s]:%s  ' "$key" "${set[$key]:-FFFF}"
		(( w % 16 != 14 )) || printf '\n'
	done
}

# Wireless 5A:17:C3:12:34:FF; its WAN field should read 5A:17:C3:12:35:00.
wireless=("0004=175A" "0006=12C3" "0008=FF34")
boot='initqavo; status=$?; echo "store: WAN_MAC_ADDR=$(nvram_get 2860 WAN_MAC_ADDR)"; exit $status'

# Line number of the first command of initqavo matching the pattern (0: none).
line_of() { sh_commands initqavo | grep -n -F -- "$1" | head -n 1 | cut -d: -f1 | grep . || echo 0; }

# An EEPROM behind iwpriv, as the driver keeps one: "iwpriv ra0 e2p" prints the dump in
# /.vrouter/eeprom, "iwpriv ra0 e2p OO=HHLL" changes the word at OO there; the stand-in
# still records every call first.
eeprom_iwpriv='mkdir /.vrouter/recorded
mv /.vrouter/bin/iwpriv /.vrouter/recorded/iwpriv
cp /.vrouter/canned/eeprom /.vrouter/eeprom
cat > /.vrouter/bin/iwpriv <<"EOF"
#!/bin/sh
/.vrouter/recorded/iwpriv "$@" || exit
[ $# = 2 ] && exec cat /.vrouter/eeprom
offset=$(printf "%04X" "0x${3%%=*}") word=$(echo "${3#*=}" | tr a-f A-F)
sed -i "s/\[0x$offset\]:[0-9A-F]*/[0x$offset]:$word/" /.vrouter/eeprom
EOF
chmod +x /.vrouter/bin/iwpriv'

# 1. A unit with the maker's block and a wrong WAN field (one less) is repaired and rebooted.
canned=$(mktemp -d "$vr_runs/canned.XXXX")
e2p_dump "${wireless[@]}" 002E=175A 0030=12C3 0032=0034 > "$canned/eeprom"
vr_run --canned "$canned" --setup "$eeprom_iwpriv" -- /bin/sh -c "$boot"
expect_eq "boot status" 0 "$VR_STATUS"
grep -qx 'store: WAN_MAC_ADDR=5a:17:c3:12:35:00' "$VR_STDOUT" || vr_fail "WAN_MAC_ADDR not stored"
setter=$(line_of "nvram_set 2860 WAN_MAC_ADDR 5a:17:c3:12:35:00")
reboot=$(line_of "reboot -f")
marker=$(line_of "echo 1 > /tmp/protect_process")
{ [ "$setter" -gt 0 ] && [ "$reboot" -gt "$setter" ] && [ "$marker" -gt "$reboot" ]; } ||
	vr_fail "store update ($setter), reboot ($reboot) and final marker ($marker) out of order"
# The pause between the store update and the reboot is five seconds.
pause=$(awk '$3 == "initqavo" && /nvram_set 2860 WAN_MAC_ADDR/ { t = $1 } $3 == "initqavo" && / reboot -f$/ { printf "%d", ($1 - t) * 10 }' \
	"$VR_STATE/log/sh.log")
{ [ "${pause:-0}" -ge 50 ] && [ "${pause:-0}" -lt 80 ]; } || vr_fail "pause before the reboot: ${pause:-?} tenths of a second"

# 2. A factory boot: a per-unit SSID from ra0's real address, the system LED.
vr_run -- initqavo
expect_eq "SSID1" "PELVANTO_762000" "$(grep -o '^SSID1=.*' "$VR_STATE/etc/nvram/section0" | cut -d= -f2)"
expect_eq "WscSSID" "PELVANTO_762000" "$(grep -o '^WscSSID=.*' "$VR_STATE/etc/nvram/section0" | cut -d= -f2)"
expect_lines "LED requests of the boot" "$(awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' "$VR_STATE/log/gpio.log")" <<'EOF2'
initqavo open /dev/gpio
initqavo ioctl 0x41 9 11 11 4000 1 4000
initqavo close
EOF2

finish
