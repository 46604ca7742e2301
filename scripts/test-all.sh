#!/bin/sh
# Installs what is missing, builds every configuration and runs every test:
# the host build, the sanitizer build, and the slow tests too.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# libmosquitto without TLS and cJSON, from Debian's sources, for the host builds.
scripts/router-libraries.sh host

cmake --preset default >/dev/null
cmake --build --preset default -j2
# The emulated board's tests run below, once the router build they boot exists.
ctest --preset default -LE emulated -j2

cmake --preset asan >/dev/null
cmake --build --preset asan -j2
ctest --preset asan -j2

# Router build: mipsel, every unit test under qemu (the virtual router's system tests
# run on the host builds only).
scripts/mipsel-sysroot.sh
cmake --preset mipsel >/dev/null
cmake --build --preset mipsel -j2
ctest --preset mipsel -j2
# The router build on the emulated MIPS board: the host build's tests labelled emulated,
# left out of its run above as the router build did not exist yet; two boots at a time.
ctest --preset default -L emulated -j2

# The router build on uClibc-ng, soft-float: what the router loads. uClibc-ng and its
# soft-float libgcc are built once (scripts/uclibc-ng.sh, about 10 minutes on two cores,
# cached); the tree is installed, its programs started under qemu, and every file checked
# for float code, a hard-float ABI or glibc (test router_float_abi).
scripts/router-libc.sh uclibc
cmake --preset router >/dev/null
cmake --build --preset router -j2
ctest --preset router -j2

# The emulated board booting the uClibc-ng tree beside Debian's daemons (which keep
# their glibc): every emulated scenario again, on the image packed from build/router.
QAVO_FIRMWARE_BUILD=$PWD/build/router ctest --preset default -L emulated -j2

# Portability build on musl: the router's targets against Debian's musl for mipsel
# (no GoogleTest), installed and started under qemu.
scripts/router-libc.sh musl
cmake --preset musl >/dev/null
cmake --build --preset musl -j2
ctest --preset musl -j2

# Footprint of the router build and peak memory per program: a report, never a failure.
bench/footprint.sh || echo "footprint report failed (not a test failure)"

# Each fuzz target for a short bounded time (tests/fuzz/run.sh 600 for a long run).
tests/fuzz/run.sh 10
