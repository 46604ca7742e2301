#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted code runs in the virtual router's shell
# The virtual router itself: logging shell, stand-ins, network, /proc modes,
# exit status, leftovers, and that nothing reaches the host.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

fixtures=$(mktemp -d "$vr_runs/fixtures.XXXX")

# sh.log: one line per "sh -c", control bytes escaped; the shell still runs
# the exact command.
vr_run -- /bin/sh -c $'echo one\necho "two\\three"\r\x01'
expect_log_lines bash <<'LINES'
echo one\necho "two\\three"\r\x01
LINES
expect_eq "first line ran" one "$(head -n1 "$VR_STDOUT")"

# Stand-ins: recorded with their arguments, canned reply and status; the
# reboot stand-in wins over BusyBox's applet; a nested sh -c is logged too.
mkdir "$fixtures/canned"
printf '[0x0004]:175A\n' > "$fixtures/canned/iwpriv.out"
echo 3 > "$fixtures/canned/iwpriv.status"
vr_run --canned "$fixtures/canned" -- /bin/sh -c 'iwpriv ra0 e2p "a b"; echo "rc=$?"; reboot -f; nat.sh; sh -c "echo nested"'
expect_eq "exit status" 0 "$VR_STATUS"
expect_lines "stand-in output" "$(cat "$VR_STDOUT")" <<'LINES'
[0x0004]:175A
rc=3
nested
LINES
expect_lines "stand-in records" "$(standin_calls)" <<'LINES'
iwpriv ra0 e2p a b
reboot -f
nat.sh
LINES
expect_lines "nested shell" "$(sh_commands busybox)" <<'LINES'
echo nested
LINES

# Exit status of the command is vrouter's.
vr_run -- /bin/sh -c 'exit 7'
expect_eq "exit status passed on" 7 "$VR_STATUS"

# The router's network, name and private trees.
vr_run -- /bin/bash -c '
	hostname
	for i in eth2.2 ra0 apcli0 apclii0 br0; do echo "$i $(cat /sys/class/net/$i/address) $(cat /sys/class/net/$i/operstate)"; done
	basename "$(readlink /sys/class/net/ra0/master)"
	ip -o -4 addr show dev eth2.2 | awk "{ print \$4 }"
	ip -o -4 addr show dev br0 | wc -l
	test -e /sys/class/net/eth2.2p && echo peer
	echo written > /etc/vrouter-selftest
	echo 3 > /proc/sys/vm/drop_caches && echo dropped
	echo 1 > /proc/sys/kernel/sysrq 2> /dev/null || echo "kernel settings read-only"
	busybox sleep 313.37 &'
expect_lines "router facts" "$(cat "$VR_STDOUT")" <<'LINES'
router
eth2.2 00:0c:43:76:20:02 up
ra0 00:0c:43:76:20:00 down
apcli0 00:0c:43:76:20:10 down
apclii0 00:0c:43:76:20:11 down
br0 00:0c:43:76:20:00 down
br0
10.0.2.15/24
0
peer
dropped
kernel settings read-only
LINES
expect_file /etc/vrouter-selftest $'written\n'
[ ! -e /etc/vrouter-selftest ] || vr_fail "router's /etc write reached the host"
expect_eq "host name unchanged" "$(cat /proc/sys/kernel/hostname)" "$(hostname)"
ip link show eth2.2p > /dev/null 2>&1 && vr_fail "router's link on the host"
pgrep -f '^busybox sleep 313.37' >/dev/null && vr_fail "router's process outlived the run"

# --wait: leftovers are waited for, then reported.
vr_run --wait 0.3 -- /bin/sh -c 'busybox sleep 313.37 & busybox sleep 0.1 &'
expect_lines "left running" "$(cut -d' ' -f2- "$VR_STATE/log/processes")" <<'LINES'
busybox busybox sleep 313.37
LINES
grep -q '^vrouter: still running: [0-9]* busybox busybox sleep 313.37$' "$VR_STDERR" ||
	vr_fail "leftover not reported on stderr"

# /proc: a fixture over a live file, and the static mode for /proc/mtd.
mkdir -p "$fixtures/proc" "$fixtures/static/net"
printf 'major minor  #blocks  name\n\n  31  0  8192 mtdblock0\n' > "$fixtures/proc/partitions"
printf 'dev:    size   erasesize  name\nmtd0: 00800000 00010000 "ALL"\nmtd2: 00010000 00010000 "Factory"\n' \
	> "$fixtures/static/mtd"
printf 'Iface\tDestination\n' > "$fixtures/static/net/route"
vr_run --proc-fixture "$fixtures/proc" -- /bin/sh -c 'cat /proc/partitions; killall -0 sh 2> /dev/null || echo no-sh'
expect_eq "bound /proc file" "$(cat "$fixtures/proc/partitions")" "$(cat "$VR_STDOUT")"
vr_run --static-proc "$fixtures/static" -- /bin/sh -c 'cat /proc/mtd /proc/net/route; test -r /proc/net/dev && test -r /proc/self/status && echo live'
expect_eq "static /proc" "$(cat "$fixtures/static/mtd" "$fixtures/static/net/route"; echo live)" "$(cat "$VR_STDOUT")"
vr_run --proc-fixture "$fixtures/static" -- true
expect_eq "/proc/mtd refused without --static-proc" 125 "$VR_STATUS"

finish
