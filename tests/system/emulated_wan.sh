#!/bin/bash
# emulated_wan.sh SCENARIO: the router build on the emulated MIPS board, booted with a
# WAN scenario of sim/board-host/scenarios: "dhcp" (the factory defaults on a unit with
# factory data), "dhcp-blank-factory" (blank factory data), "static" (a unit without
# any), "pppoe", "pppoe-wrong-password",
# "pppoe-password-characters" (blanks, quotes, a backslash and "#": it must dial), "l2tp"
# (static WAN address, then xl2tpd), "pptp" (DHCP first, then pppd with the pptp client).
# Checked on both sides of the WAN port: the router's address, MAC (the factory
# partition's, read through the kernel's /proc/mtd and /dev/mtdN, or the board's own
# without one), the PPP link's addresses (at both ends for a tunnel), default route,
# host route to a tunnel's server and resolver, the provider reachable (and through a
# tunnel), the provider's lease (DHCP) or none; the
# broker answers a web request; the boot's commands really ran (a boot whose forks all
# fail would still let initqavo exit 0). "mac-repair": the factory MAC repair writes
# the Factory partition through the driver's EEPROM commands and the WAN then uses the
# repaired MAC. Every boot's system LED request reaches the board's "/dev/gpio" (a CUSE
# driver) and none fails; "dhcp" also checks the driver's log of it and its refusals.
# Needs the router build (build/mipsel); skipped without it.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
scenario=$1
source "$QAVO_SOURCE_DIR/sim/board-host/testlib.sh"
emulated_need_image
report=$("$QAVO_SOURCE_DIR/sim/board-host/emulated-router" --scenario "$scenario" --out "$vr_runs/$scenario" 2>&1)
expect_eq "board printed its whole report" 0 "$?"
section() { report_section "$report" "$1"; }
field() { report_field "$report" "$1"; }
ran() { grep -qF " $1" <<<"$(section 'shell commands')" || vr_fail "the boot did not run: $1"; }

expect_eq "a MIPS kernel" "mips" "$(sed -n 's/^kernel: [^ ]* \([^,]*\),.*/\1/p' <<<"$report")"
expect_eq "initqavo status" "exit 0" "$(field initqavo | cut -d, -f1)"
ran "initqavo qv_broker -c /etc_ro/mosquitto.conf &"
ran "initqavo ombix_networkconfig mtk7620 initwan &"
running=" $(section processes | awk '{ print $2 }' | sort -u | tr '\n' ' ')"
for daemon in nvram_daemon qv_broker qavo_sub; do
	[[ $running == *" $daemon "* ]] || vr_fail "$daemon is not running after the boot (running:$running)"
done
expect_eq "web reply" '{"lan_ipaddr":"192.168.1.1","HostName":"PELVANTO","OperationMode":"1"}' \
	"$(section 'web request')"

# LED requests go through the board's real "/dev/gpio" (a CUSE driver): none may fail, and
# the boot's one request, the system LED's, arrives.
grep -E '^(/dev/gpio|ioctl): ' <<<"$(section 'initqavo output')" && vr_fail "an LED request failed"
expect_lines "the LED requests of the boot" "$(section 'LED requests' | sed 's/^ *+[0-9.]* *//')" <<<"system LED: line 9, blinking (initqavo)"

wrote() { grep -q "^$1 (" <<<"$(section 'files written')" || vr_fail "the boot did not write $1"; }
wrote /etc/udhcpd.conf
wrote /etc/hosts
address=$(field address)
lease=$(section WAN | awk '$1 ~ /^[0-9a-f][0-9a-f]:/ { print $1, $2 }')
route=$(field 'default route')
case $scenario in
dhcp | dhcp-blank-factory | static | mac-repair)
	expect_eq "default route" "default via 10.0.2.2 dev eth2.2" "$route"
	expect_eq "resolver" "nameserver 10.0.2.2" "$(field resolv.conf)"
	expect_eq "no PPP link" "" "$(field ppp0)"
	expect_eq "provider reachable" yes "$(field 'provider reachable')"
	;;
pppoe | pppoe-password-characters)
	expect_eq "PPP link with the provider's addresses" "10.64.0.100 peer 10.64.0.1/32" "$(field ppp0)"
	expect_eq "default route" "default dev ppp0 scope link" "$route"
	expect_eq "the provider's name servers" "nameserver 10.0.2.2 nameserver 10.0.2.2" "$(field 'ppp resolv.conf')"
	expect_eq "provider reachable" yes "$(field 'provider reachable')"
	;;
pppoe-wrong-password)
	expect_eq "no PPP link" "" "$(field ppp0)"
	expect_eq "provider reachable" no "$(field 'provider reachable')"
	[[ $route != *ppp0* ]] || vr_fail "a default route through a link that never came up: $route"
	;;
l2tp | pptp)
	# The tunnel's section: the router's routes, daemons, files and the daemons' log.
	tunnel=$(section tunnel)
	has() { grep -qF -- "$2" <<<"$tunnel" || vr_fail "$1: no '$2' in the tunnel report"; }
	expect_eq "the provider's name servers" "nameserver 10.0.2.2 nameserver 10.0.2.2" "$(field 'ppp resolv.conf')"
	expect_eq "the provider's tunnel end answers through the tunnel" yes "$(field 'through the tunnel')"
	has "the host route to the server through the WAN gateway" "  10.0.2.2 via 10.0.2.2 dev eth2.2"
	[[ $(field dial) =~ ^started\ at\ .*,\ up\ at\ .* ]] || vr_fail "no dial time: '$(field dial)'"
	;;
esac
case $scenario in
l2tp)
	expect_eq "PPP link with the provider's L2TP addresses" "10.65.0.100 peer 10.65.0.1/32" "$(field ppp0)"
	has "the provider's end of the session" "  ppp0 10.65.0.1 peer 10.65.0.100/32"
	# The tool's own default route through the WAN gateway stays: pppd's "defaultroute"
	# does not replace an existing default route.
	expect_eq "default route" "default via 10.0.2.2 dev eth2.2" "$route"
	has "pppd keeps the static default route" "not replacing default route to eth2.2 [10.0.2.2]"
	has "the router's xl2tpd" "  xl2tpd -c /etc_ro/xl2tpd.conf"
	has "xl2tpd's pppd with the L2TP options" "passive nodetach : name me@isp file /etc_ro/ppp/options.xl2ptd"
	has "CHAP with the L2TP account" "CHAP authentication succeeded"
	has "the L2TP options readable by root only" "  /etc_ro/ppp/options.xl2ptd 600"
	;;
pptp)
	expect_eq "PPP link with the provider's PPTP addresses" "10.66.0.100 peer 10.66.0.1/32" "$(field ppp0)"
	has "the provider's end of the session" "  ppp0 10.66.0.1 peer 10.66.0.100/32"
	expect_eq "default route" "default dev ppp0 scope link" "$route"
	ran "pppd pptp 10.0.2.2 --nolaunchpppd"
	has "pppd dialling the PPTP peer" "  pppd call pptp"
	has "MS-CHAPv2 with the PPTP account" "CHAP authentication succeeded"
	has "MPPE as the options require" "MPPE 128-bit stateless compression enabled"
	has "the secrets readable by root only" "  /etc_ro/ppp/chap-secrets 600"
	[[ $tunnel != *"  xl2tpd "* ]] || vr_fail "xl2tpd runs on a PPTP WAN"
	;;
esac
case $scenario in
pppoe*)
	ran "ombix_networkco pppd file /etc/options.pppoe > /tmp/pppoeConnectInfo &"
	wrote /etc/options.pppoe
	expect_eq "no address on the WAN port itself" "" "$address"
	expect_eq "no lease asked for" "" "$lease"
	;;
dhcp)
	[[ $address =~ ^10\.0\.2\.1[01][0-9]/24$ ]] || vr_fail "no lease on eth2.2: '$address'"
	expect_eq "the factory partition" 'mtd0: 00010000 00010000 "Factory"' "$(section flash | grep "^mtd")"
	expect_eq "the WAN MAC from the factory data" "00:0c:43:30:52:77" "$(field MAC)"
	ran "ombix_networkco ifconfig eth2.2 hw ether 00:0C:43:30:52:77"
	expect_eq "the provider's lease is the router's" "00:0c:43:30:52:77 ${address%/24}" "$lease"
	ran "ombix_networkco udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid -S &"
	# The system LED's record as it reached the driver, in one open-request-close of initqavo's.
	device=$(section 'GPIO device')
	expect_lines "the driver's log of the boot" "$(awk '$3 == "initqavo" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' <<<"$device")" <<'END'
initqavo open /dev/gpio
initqavo ioctl 0x41 9 11 11 4000 1 4000
initqavo close
END
	expect_eq "one process opened, requested and closed" 1 "$(awk '$3 == "initqavo" { print $2 }' <<<"$device" | sort -u | wc -l)"
	expect_lines "the requests the driver refuses" "$(grep -v '^[0-9]\| ms each, ' <<<"$device")" <<'END'
unknown request 0x42: Inappropriate ioctl for device
LED request without a record: Bad address
LED request for line 73: Invalid argument
LED request with on time 4001: Invalid argument
END
	for way in 'LED request \(open, request, close\)' 'LED request on an open device' 'unknown request on an open device'; do
		grep -qE "^$way: [0-9]+\.[0-9]{3} ms each, 50 rounds\$" <<<"$device" || vr_fail "no cost of: $way"
	done
	[[ $running == *" udhcpc "* ]] || vr_fail "the DHCP client is not running"
	;;
dhcp-blank-factory)
	expect_eq "the factory partition" 'mtd0: 00010000 00010000 "Factory"' "$(section flash | grep "^mtd")"
	expect_eq "the replacement for a blank factory MAC" "00:0c:43:28:80:64" "$(field MAC)"
	expect_eq "the provider's lease is the router's" "00:0c:43:28:80:64 ${address%/24}" "$lease"
	;;
l2tp)
	expect_eq "static address" "10.0.2.16/24" "$address"
	expect_eq "no lease asked for" "" "$lease"
	ran "ombix_networkco route add -net 10.0.2.2 netmask 255.255.255.255 gw 10.0.2.2"
	ran "ombix_networkco xl2tpd -c /etc_ro/xl2tpd.conf &"
	;;
pptp)
	[[ $address =~ ^10\.0\.2\.1[01][0-9]/24$ ]] || vr_fail "no lease on eth2.2: '$address'"
	expect_eq "the provider's lease is the router's" "00:0c:43:76:20:02 ${address%/24}" "$lease"
	ran "ombix_networkco udhcpc -i eth2.2  -s /sbin/udhcpc.sh -p /var/run/udhcpc.pid &"
	;;
mac-repair)
	# The driver's writes landed in the Factory partition: 0x28 a copy of the wireless
	# MAC, the WAN field the wireless MAC plus one; they were read back, the store has it,
	# the reboot was asked for after the store update, and the WAN bring-up used the
	# repaired MAC.
	expect_eq "the repaired factory data" "000020 ff ff ff ff ff ff ff ff 5a 17 c3 12 34 ff 5a 17
000030 c3 12 35 00 ff ff ff ff ff ff ff ff ff ff ff ff" "$(section flash | grep -E '^0000[23]0 ')"
	expect_eq "the store's WAN MAC" "5a:17:c3:12:35:00" "$(field 'store WAN_MAC_ADDR')"
	commands=$(section 'shell commands' | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }')
	expect_eq "repair commands in order" "initqavo iwpriv ra0 e2p 32=0035
initqavo iwpriv ra0 e2p >/tmp/e2p
initqavo nvram_set 2860 WAN_MAC_ADDR 5a:17:c3:12:35:00
initqavo reboot -f" "$(grep -A3 -F 'e2p 32=' <<<"$commands")"
	expect_eq "the repaired WAN MAC" "5a:17:c3:12:35:00" "$(field MAC)"
	expect_eq "the provider's lease is the router's" "5a:17:c3:12:35:00 ${address%/24}" "$lease"
	;;
static)
	expect_eq "static address" "10.0.2.15/24" "$address"
	expect_eq "no factory partition" "" "$(section flash | grep "^mtd")"
	expect_eq "the board's own WAN MAC kept" "00:0c:43:76:20:02" "$(field MAC)"
	expect_eq "no lease asked for" "" "$lease"
	ran "ombix_networkco ifconfig eth2.2 10.0.2.15 netmask 255.255.255.0 mtu 1500"
	[[ $running != *" udhcpc "* ]] || vr_fail "a DHCP client runs on a static WAN"
	;;
*) vr_fail "no checks for scenario '$scenario'" ;;
esac
[ "$vr_failures" = 0 ] || printf '%s\n' "$report" >&2
finish
