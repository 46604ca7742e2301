#!/bin/bash
# shellcheck disable=SC2016 # router code and hostile settings are single-quoted on purpose
# "initlan": the bridge address, the stored host name and the default route really set;
# the DHCP server off in operation mode 0; hostile settings that never run a command nor
# add a line; overlapping runs and one real udhcpd. (The command sequences by platform,
# flags and operation mode are the dry-run unit test's.)
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

lan=(--set lan_ipaddr=192.168.10.1 --set lan_netmask=255.255.255.0 --set HostName=
	--set dhcpStart=192.168.10.100 --set dhcpEnd=192.168.10.200 --set dhcpGateway=192.168.10.1
	--set dhcpPriDns=192.168.10.1 --set dhcpSecDns=8.8.8.8 --set dhcpMask=255.255.255.0)
# After the tool: its status, br0's address, the store's host name and default route.
report='echo "status=$?" > /tmp/report
	ip -o -4 addr show dev br0 | awk "{ print \$4 }" >> /tmp/report
	echo "HostName=$(nvram_get 2860 HostName)" >> /tmp/report
	/bin/ip route show default | cut -d" " -f1-5 >> /tmp/report'

# The LAN ports' PHYs: control and advertisement registers off before the bridge
# changes, on again after it.
phy_off=$(for r in "0 -v 0xB900" "4 -v 0x05E1"; do for p in 1 2 3 4; do echo "mii_mgr -s -p $p -r $r"; done; done)
phy_on=$(for r in "0 -v 0x3100" "4 -v 0x25E1"; do for p in 1 2 3 4; do echo "mii_mgr -s -p $p -r $r"; done; done)

# DHCP server off: the old configuration stays, no server. An empty host name is
# stored as the brand's. Operation mode 0 with a fixed address: multicast and default
# route on br0, never the UPnP daemon or the IGMP proxy.
vr_run "${lan[@]}" --set OperationMode=0 --set dhcpEnabled=0 --set LanAutoDhcp=0 \
	--set lan_gateway=192.168.10.254 --set upnpEnabled=1 --set igmpEnabled=1 \
	--setup 'echo old > /etc/udhcpd.conf' \
	-- /bin/bash -c "ombix_networkconfig mtk7620 initlan; $report"
expect_log_lines ombix_networkconfig <<LINES
$phy_off
ifconfig br0 down
ifconfig br0 192.168.10.1 netmask 255.255.255.0 up
killall udhcpd
$phy_on
hostname PELVANTO
echo "127.0.0.1 localhost.localdomain localhost" > /etc/hosts
echo "192.168.10.1 PELVANTO.co PELVANTO" >> /etc/hosts
killall -q udhcpc
route add -net 224.0.0.0 netmask 224.0.0.0 br0
route add default gw 192.168.10.254 br0
killall -q daemon.sh
LINES
expect_file /etc/udhcpd.conf $'old\n'
expect_file /tmp/report $'status=1\n192.168.10.1/24\nHostName=PELVANTO\ndefault via 192.168.10.254 dev br0\n'

# Hostile settings: no command runs from them, no line is added to a generated file,
# each refusal names its setting, and every other step still runs.
vr_run --set OperationMode=0 --set LanAutoDhcp=0 --set dhcpEnabled=1 --set staticDhcpEnabled=1 \
	--set 'lan_ipaddr=192.168.10.1;touch /tmp/injected-ip' \
	--set 'lan_netmask=$(touch /tmp/injected-mask)' \
	--set 'HostName=gw" >> /etc/hosts; touch /tmp/injected-host; echo "' \
	--set 'lan_gateway=`touch /tmp/injected-gw`' \
	--set $'dhcpStart=192.168.10.100\noption router 6.6.6.6' \
	--set $'dhcpLease=600\nstatic_lease 02:00:00:00:00:66 192.168.10.66' \
	--set $'staticDhcpRules=02:00:00:00:00:51,192.168.10.51\nstart 6.6.6.6;02:00:00:00:00:52,192.168.10.52' \
	-- ombix_networkconfig mtk7620 initlan
expect_eq "hostile: exit status" 1 "$VR_STATUS"
for f in injected-ip injected-mask injected-host injected-gw; do
	expect_no_file "/tmp/$f"
done
expect_lines "hostile: commands" "$(sh_commands ombix_networkconfig | grep -v '^mii_mgr')" <<'LINES'
killall udhcpd
nat.sh &
udhcpd /etc/udhcpd.conf
echo "127.0.0.1 localhost.localdomain localhost" > /etc/hosts
killall -q udhcpc
route add -net 224.0.0.0 netmask 224.0.0.0 br0
killall -q daemon.sh
LINES
expect_file /etc/hosts $'127.0.0.1 localhost.localdomain localhost\n'
expect_file /etc/udhcpd.conf $'end 192.168.1.200\ninterface br0\noption subnet 255.255.255.0\noption dns 192.168.1.1 \noption router 192.168.1.1\nlease_file /var/udhcpd.leases\nstatic_lease 02:00:00:00:00:52 192.168.10.52\n'
for key in lan_ipaddr HostName lan_gateway dhcpStart dhcpLease staticDhcpRules; do
	grep -q "^Error: setting $key " "$VR_STDERR" || vr_fail "no refusal naming $key"
done

# Two overlapping runs, as the boot and the web interface may start them: the second
# waits for the first, and one udhcpd serves the LAN afterwards.
vr_run "${lan[@]}" --set OperationMode=1 --set dhcpEnabled=1 -- bash -c '
	ombix_networkconfig mtk7620 initlan > /dev/null & ombix_networkconfig mtk7620 initlan > /dev/null; wait
	echo "udhcpd running: $(pidof udhcpd | wc -w)"
	echo "hosts lines: $(wc -l < /etc/hosts)"'
expect_lines "overlapping runs" "$(cat "$VR_STDOUT")" <<'LINES'
udhcpd running: 1
hosts lines: 2
LINES

[ "$vr_failures" = 0 ] || vr_show_run
finish
