#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the virtual router need.
# Does nothing when all are present.
set -eu
packages="build-essential cmake ninja-build pkg-config git
  libgtest-dev libmosquitto-dev libcjson-dev
  mosquitto mosquitto-clients busybox-static iproute2 procps xl2tpd
  clang-14 clang-format-14 libclang-rt-14-dev valgrind hyperfine
  g++-mipsel-linux-gnu qemu-user-static
  e2fsprogs python3 shellcheck"
# The router's C libraries (scripts/uclibc-ng.sh, router-libc.sh): unpacking sources.
packages="$packages xz-utils"
# The emulated router's board (sim/board-host/emulated-router).
packages="$packages qemu-system-mips"
# The emulated router's USB stick (sim/board-host/usb-stick.sh): partition table, FAT and its files.
packages="$packages fdisk dosfstools mtools"
# The web front end in a real browser: Debian's Chromium, driven from node (tests/browser).
# A node and npm of another origin (a newer node) are left as they are.
packages="$packages chromium"
command -v node > /dev/null || packages="$packages nodejs"
command -v npm > /dev/null || packages="$packages npm"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing
