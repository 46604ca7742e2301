#!/bin/bash
# The LED section of both boot reports (sim/common/led-requests.awk), under the host's awk and
# under BusyBox's (the emulated board's): requests named after the "Led_*" settings and
# the router's patterns, other records of the GPIO log skipped, and the requests still
# listed when there is no store file. Needs no root.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
script=$QAVO_SOURCE_DIR/sim/common/led-requests.awk
dir=$vr_runs/led
mkdir -p "$dir"
printf '%s\n' '# LEDs' Led_sys=9 Led_sys_red=10 Led_usb=13 Led_wps=12 lan_ipaddr=9 >"$dir/store"
cat >"$dir/gpio.log" <<'LOG'
10.500000 120 initqavo open /dev/gpio
10.500100 120 initqavo ioctl 0x41 10 4000 0 0 0 1
10.500200 120 initqavo close
10.600000 120 initqavo ioctl 0x41 9 11 11 4000 1 4000
11.000000 130 ombix_usbconfig ioctl 0x41 13 4000 0 1 1 4000
11.250000 130 ombix_usbconfig ioctl 0x41 13 0 4000 1 1 4000
12.000000 140 wps ioctl 0x41 12 5 7 3 1 2
12.500000 150 probe ioctl 0x41 40 4000 0 0 0 1
13.000000 160 probe ioctl 0x42 9 11 11 4000 1 4000
LOG
: >"$dir/empty.log"

awks=(awk)
command -v busybox >/dev/null && awks+=("busybox awk")
for a in "${awks[@]}"; do
	# shellcheck disable=SC2086
	report() { $a -v t0="$1" -f "$script" "$2" "$3"; }
	expect_lines "$a: requests named by setting and pattern" "$(report 10 "$dir/store" "$dir/gpio.log")" <<'END'
    +0.500  red system LED: line 10, steady on (initqavo)
    +0.600  system LED: line 9, blinking (initqavo)
    +1.000  USB LED: line 13, always on (ombix_usbconfig)
    +1.250  USB LED: line 13, always off (ombix_usbconfig)
    +2.000  Led_wps: line 12, on 5 off 7 blinks 3 rests 1 repeats 2 (wps)
    +2.500  LED: line 40, steady on (probe)
END
	expect_lines "$a: no store file" "$(report 0 /dev/null "$dir/gpio.log" | head -n 2)" <<'END'
   +10.500  LED: line 10, steady on (initqavo)
   +10.600  LED: line 9, blinking (initqavo)
END
	expect_eq "$a: no requests" "" "$(report 0 "$dir/store" "$dir/empty.log")"
done
finish
