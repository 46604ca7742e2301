#!/bin/bash
# The helper library's kernel queries, role wrappers and lookups inside the virtual
# router: real interfaces (the WAN veth, the bridge, a down veth pair with a known MAC, a
# veth whose name has the kernel's longest length),
# a neighbour and a default route made by --setup, resolver files, and /proc/mtd with a
# Factory partition from fixtures.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

probe=$QAVO_BUILD_DIR/tests/lib/lib_router_kernel_test
fixtures=$(mktemp -d "$vr_runs/fixtures.XXXX")

# The probe's cases ran inside the router and passed: gtest's summary counts them (a flag
# it does not know makes it print its help and exit 0 without running anything), and none
# was skipped.
expect_cases_passed() {
	expect_eq "$1 (stdout: $VR_STDOUT)" 0 "$VR_STATUS"
	if ! grep -q '^\[  PASSED  \] [1-9]' "$VR_STDOUT"; then
		vr_fail "$1: no case ran"
	fi
	if grep -q '\[  SKIPPED' "$VR_STDOUT"; then
		vr_fail "$1: cases skipped inside the router"
	fi
}

vr_run --bind "$QAVO_BUILD_DIR" --set OperationMode=1 --set wanConnectionMode=PPPOE \
	--setup 'ip link add vt0 type veth peer name vt1
		ip link set vt0 address 02:00:00:00:00:0a
		ip addr add 192.168.7.1/16 dev vt0
		ip link set vt1 up
		ip link add qavo-15-chars-0 type veth peer name vt3
		ip link set qavo-15-chars-0 address 02:00:00:00:00:0f
		ip addr add 192.168.9.1/24 dev qavo-15-chars-0
		ip route add default via 10.0.2.2
		ip neigh add 10.0.2.7 lladdr 00:11:22:33:44:55 dev eth2.2' \
	-- "$probe" --gtest_filter='Router.*' 2>/dev/null
expect_cases_passed "interfaces, roles and lookups"

mkdir -p "$fixtures/proc" "$fixtures/dev"
cat > "$fixtures/proc/mtd" <<'MTD'
dev:    size   erasesize  name
mtd0: 01000000 00010000 "ALL"
mtd1: 00030000 00010000 "Bootloader"
mtd2: 00010000 00010000 "Factory"
MTD
{ head -c 46 /dev/zero; printf '\x00\x0c\x43\x76\x20\x9a'; head -c 64 /dev/zero; } > "$fixtures/dev/mtd2"
# (The virtual router turns leak checks off with a static /proc; leaks are checked in the run above.)
vr_run --bind "$QAVO_BUILD_DIR" --no-nvram-daemon --static-proc "$fixtures/proc" --dev-fixture "$fixtures/dev" \
	-- "$probe" --gtest_filter='Flash.*'
expect_cases_passed "flash facts"

finish
