#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted boot runs in the virtual router's shell
# Factory MAC repair in whole boots: "iwpriv ra0 e2p" prints a driver dump from a fixture
# (kept up to date by the write commands where a repair is expected), every iwpriv call
# and "reboot" are recorded, and the repaired WAN_MAC_ADDR is read back from the real
# store after the run. Also the rest of the wireless defaults and
# the system LED of a factory boot. (A refused write, which must not reboot, is a unit test.)
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
canned_for() {
	local dir
	dir=$(mktemp -d "$vr_runs/canned.XXXX")
	e2p_dump "${wireless[@]}" "$@" > "$dir/iwpriv@ra0 e2p.out"
	echo "$dir"
}
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
# The dump read, the six writes (0x0028 a copy of the wireless MAC, the WAN field plus
# one), then the dump read again to check them.
repair_calls='iwpriv ra0 e2p
iwpriv ra0 e2p 28=175a
iwpriv ra0 e2p 2a=12c3
iwpriv ra0 e2p 2c=ff34
iwpriv ra0 e2p 2e=175a
iwpriv ra0 e2p 30=12c3
iwpriv ra0 e2p 32=0035
iwpriv ra0 e2p'
expect_eq "iwpriv calls" "$repair_calls" "$(standin_calls iwpriv)"
expect_lines "reboot" "$(standin_calls reboot)" <<< "reboot -f"
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
[ -f "$VR_STATE/tmp/e2p" ] || vr_fail "the dump is kept on the repair path"
expect_eq "the dump is read right after internet.sh" "$(( $(line_of internet.sh) + 1 ))" "$(line_of "iwpriv ra0 e2p >/tmp/e2p")"

# 2. The next boot finds the WAN field right: nothing written, no reboot; the rest of the
# factory boot: a per-unit SSID from ra0's real address, the language link, the system LED.
vr_run --canned "$(canned_for 002E=175A 0030=12C3 0032=0035)" -- /bin/sh -c "$boot"
grep -qx '\[Debug\]Don'"'"'t Need Fix Mac!' "$VR_STDOUT" || vr_fail "no 'Don't Need Fix Mac!' line"
expect_lines "iwpriv calls" "$(standin_calls iwpriv)" <<< "iwpriv ra0 e2p"
expect_eq "reboot" "" "$(standin_calls reboot)"
expect_no_file /tmp/e2p
grep -qx 'store: WAN_MAC_ADDR=' "$VR_STDOUT" || vr_fail "WAN_MAC_ADDR changed without a repair"
expect_eq "SSID1" "PELVANTO_762000" "$(grep -o '^SSID1=.*' "$VR_STATE/etc/nvram/section0" | cut -d= -f2)"
expect_eq "WscSSID" "PELVANTO_762000" "$(grep -o '^WscSSID=.*' "$VR_STATE/etc/nvram/section0" | cut -d= -f2)"
expect_lines "wireless tool" "$(standin_calls ombix_wificonfig)" <<< "ombix_wificonfig mtk7620 init2g"
expect_lines "language link" "$(sh_commands initqavo | grep language)" <<'EOF2'
rm -rf /etc_ro/web/js/language.js 1>/dev/null 2>&1
ln -s /etc_ro/web/js/language_en.js /etc_ro/web/js/language.js 1>/dev/null 2>&1
EOF2
expect_lines "LED requests of the boot" "$(awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' "$VR_STATE/log/gpio.log")" <<'EOF2'
initqavo open /dev/gpio
initqavo ioctl 0x41 9 11 11 4000 1 4000
initqavo close
EOF2

finish
