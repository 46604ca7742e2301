# led-requests.awk: the LED requests of a GPIO log as report lines, for the boot reports
# of the virtual router (sim/vrouter/boot-report) and of the emulated one (sim/board/init).
#
#   awk -v t0=SECONDS -f led-requests.awk STORE GPIO_LOG
# STORE is a settings file ("KEY=VALUE" lines; /dev/null when there is none): the
# "Led_*" settings name the lines. GPIO_LOG has the lines "<time> <pid> <program> ioctl
# 0x41 <gpio> <on> <off> <blinks> <rests> <repeats>" (sim/vrouter/gpio_shim.c,
# sim/board/gpio_cuse.c); other lines of it are skipped. Each request becomes
#   "  <time - t0>  <LED>: line <gpio>, <pattern> (<program>)"
# with the LED named after the setting that holds its line ("LED" when none does) and the
# pattern named when it is one of the router's ("on 5 off 5 blinks ..." otherwise).
BEGIN {
	names["Led_sys"] = "system LED"; names["Led_sys_red"] = "red system LED"; names["Led_usb"] = "USB LED"
	patterns["11 11 4000 1 4000"] = "blinking"; patterns["4000 0 0 0 1"] = "steady on"
	patterns["4000 0 1 1 4000"] = "always on"; patterns["0 4000 1 1 4000"] = "always off"
}
# By name, not by FNR == NR: an empty store has no lines, and the log's would be taken
# for its.
FILENAME == ARGV[1] {
	if ($0 ~ /^Led_[A-Za-z_]*=/) {
		key = $0; sub(/=.*/, "", key); value = substr($0, length(key) + 2)
		line_name[value] = key in names ? names[key] : key
	}
	next
}
$4 == "ioctl" && $5 == "0x41" {
	timing = $7 " " $8 " " $9 " " $10 " " $11
	what = timing in patterns ? patterns[timing] : "on " $7 " off " $8 " blinks " $9 " rests " $10 " repeats " $11
	printf "  %+8.3f  %s: line %s, %s (%s)\n", $1 - t0, $6 in line_name ? line_name[$6] : "LED", $6, what, $3
}
