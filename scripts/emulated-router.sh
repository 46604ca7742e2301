#!/bin/sh
# emulated-router.sh: builds the emulated router's image, an initramfs for a MIPS Malta
# board (qemu-system-mipsel, CPU 24Kc) running Debian's mipsel kernel, with the router
# build's install tree (`cmake --install build/mipsel --strip`) as its firmware.
#
# Into build/emulated/:
#   vmlinuz        Debian's linux-image-*-4kc-malta kernel
#   image.cpio.gz  the root: BusyBox (busybox-static), the mosquitto broker, iproute2 (for
#                  the provider's namespace and veth), the kernel's modules with their
#                  modules.dep, our programs, every run-time library they need (readelf
#                  NEEDED, followed until closed; the C library and its loader ld.so.1
#                  both from Debian's libc6, never mixed with the cross toolchain's) and
#                  sim/board/init as /init
#   host/          qemu-system-mips and the libraries it needs that the host lacks, when
#                  the host has no qemu-system-mipsel of its own
#
# Packages come like scripts/mipsel-sysroot.sh fetches them: apt with a private
# configuration, package lists and cache under build/emulated/apt-*, `apt-get download`
# and `dpkg-deb -x`; nothing is installed and the host's dpkg and apt state are not
# touched. The downloads are kept, so a rebuild after a change of our programs only
# repacks the image.
#
# `emulated-router.sh --input-hash` prints only the hash of this project's files that go
# into the image (board_inputs below), without building anything.
set -eu
cd "$(dirname "$0")/.."
# Every file of this project the image is made from, this script among them, relative to
# the source tree: the image is repacked when one of them, our programs (the install
# tree and the board's harness programs of the router build) or the package list
# changed. A file copied into the image or compiled for it belongs here.
board_inputs="scripts/emulated-router.sh scripts/private-apt.sh scripts/build-dirs.sh
  sim/board/init sim/board/iwpriv sim/board/usb.sh sim/board/automount.sh
  sim/provider/provider-tunnels.sh sim/board/udhcpc-dial.sh
  sim/board/flash.sh sim/board/power-cut.sh sim/board/flash_map.c
  sim/common/udhcpc.sh sim/common/udhcpc-h sim/common/usb-report sim/common/led-requests.awk sim/common/internet-web.sh
  sim/common/standins sim/common/standins.sh sim/common/interfaces.sh
  sim/provider/provider-dhcp.sh sim/common/settle.sh sim/common/report.sh"
. scripts/private-apt.sh
. sim/common/standins.sh
. scripts/build-dirs.sh
top=$emulated_dir
install_tree=$top/firmware
root=$top/root
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
mirror=${QAVO_DEBIAN_MIRROR:-http://deb.debian.org/debian}

fail() { echo "emulated-router: $*" >&2; exit 1; }
# input_hash: one hash over the contents of every board input, by name.
input_hash() {
	for f in $board_inputs; do
		[ -f "$f" ] || fail "board input $f is missing"
	done
	# shellcheck disable=SC2086 # the list is of names without blanks
	sha256sum $board_inputs | sha256sum | cut -d' ' -f1
}
if [ "${1:-}" = --input-hash ]; then
	input_hash
	exit 0
fi
[ -f "$mipsel_build/build.ninja" ] || fail "no router build in $mipsel_build: cmake --preset mipsel && cmake --build --preset mipsel -j2"
# QAVO_FIRMWARE_BUILD: the build whose install tree is the firmware; the preset mipsel's
# (glibc) unless it names another, such as build/router (uClibc-ng, which the tree carries).
firmware_build=${QAVO_FIRMWARE_BUILD:-$mipsel_build}
[ -f "$firmware_build/build.ninja" ] || fail "no firmware build in $firmware_build (QAVO_FIRMWARE_BUILD)"
# The board's harness programs, which the router build makes (sim/CMakeLists.txt; gpio_cuse
# only with the sysroot's libfuse3, which a sysroot made before it lacks). The power-cut
# test's writer uses our libraries, so it comes from the firmware's build (on a firmware of
# uClibc-ng, glibc's loader would find no libnvram.so it can load).
harness_programs="shlog standin gpio_cuse gpio_probe libpeak_rss.so peak_launch"
for program in $harness_programs; do
	[ -f "$mipsel_build/sim/$program" ] ||
		fail "no $mipsel_build/sim/$program: cmake --preset mipsel && cmake --build --preset mipsel -j2 (gpio_cuse wants a sysroot with libfuse3: rerun mipsel-sysroot.sh first)"
done
flash_writer=$firmware_build/sim/flash_writer
[ -f "$flash_writer" ] || fail "no $flash_writer: cmake --build $firmware_build -j2"
# The hello world of the board's peak-memory figures, on the firmware's C library.
[ -f "$firmware_build/peak_floor" ] || fail "no $firmware_build/peak_floor: cmake --build $firmware_build -j2"

# Router side (mipsel). The security archive carries no mipsel packages. mosquitto-clients
# and hyperfine: bench/footprint.sh's exchange of qavo_webreq against mosquitto_rr.
router_packages="busybox-static mosquitto iproute2 libc6 linux-image-4kc-malta ppp pppoe libfuse3-3 xl2tpd pptp-linux pptpd mtd-utils
  mosquitto-clients hyperfine"
# Host side: the emulator, and depmod for the kernel's modules.dep.
host_packages="qemu-system-mips qemu-system-common qemu-system-data libaio1 libcapstone4
  libfdt1 libfuse3-3 libibverbs1 libpmem1 librdmacm1 libslirp0 liburing2 libvdeplug2
  libndctl6 libdaxctl1 libnl-3-200 libnl-route-3-200 kmod"

# fetch [--closure] ARCH DIR PACKAGES...: downloads PACKAGES (with --closure, and what
# they depend on) into DIR/debs unless the list is unchanged since the last fetch.
fetch() {
	closure=""
	[ "$1" != --closure ] || { closure=1; shift; }
	arch=$1 dir=$2
	shift 2
	wanted="$*"
	asked=$wanted
	[ -f "$dir/.fetched" ] && [ "$(cat "$dir/.fetched")" = "$asked" ] && return 0
	mkdir -p "$dir/etc/sources.list.d" "$dir/debs"
	codename=$(. /etc/os-release && echo "${VERSION_CODENAME:?}")
	cat >"$dir/etc/sources.list" <<-END
		deb [signed-by=$keyring] $mirror $codename main
		deb [signed-by=$keyring] $mirror $codename-updates main
	END
	set -- -o APT::Architecture="$arch" -o APT::Architectures::="$arch" \
		-o Dir::Etc::SourceList="$dir/etc/sources.list" -o Dir::Etc::SourceParts="$dir/etc/sources.list.d"
	private_apt "$dir" "$@" -qq update
	if [ -n "$closure" ]; then
		# The packages and their whole dependency closure (pre-dependencies included):
		# the libraries are then picked by what the programs really need.
		# shellcheck disable=SC2086
		wanted=$(private_apt "$dir" "$@" -qq --print-uris -o Debug::NoLocking=1 \
			install --no-install-recommends $wanted 2>/dev/null | sed -n "s/^'[^']*' \([^_]*\)_.*/\1/p" | sort -u | tr '\n' ' ')
		[ -n "$wanted" ] || fail "apt resolved nothing for $asked"
	fi
	# shellcheck disable=SC2086
	(cd "$dir/debs" && rm -f ./*.deb && private_apt "$dir" "$@" -qq download $wanted)
	echo "$asked" >"$dir/.fetched"
}

# unpack DIR TREE: every downloaded package of DIR unpacked into TREE (made afresh).
unpack() {
	rm -rf "$2" && mkdir -p "$2"
	for deb in "$1"/debs/*.deb; do
		dpkg-deb -x "$deb" "$2"
	done
}

# needed FILE: the libraries an ELF file names (NEEDED).
needed() { readelf -d "$1" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }

# add_libraries: copies into the root, until nothing is missing, each library that a
# program or library of the root needs, from our install tree first, then from
# Debian's packages. The loader comes with libc6.
add_libraries() {
	mkdir -p "$root/lib/mipsel-linux-gnu"
	cp -a "$pool/lib/ld.so.1" "$root/lib/"
	cp "$pool/lib/mipsel-linux-gnu/ld.so.1" "$root/lib/mipsel-linux-gnu/"
	[ -e "$root/lib/ld.so.1" ] || fail "libc6 brought no ld.so.1"
	while :; do
		missing=$(find "$root" -type f \( -perm -u+x -o -name '*.so*' \) | while read -r f; do
			needed "$f"
		done | sort -u | while read -r lib; do
			# musl's loader is its C library too: it answers to "libc.so" itself.
			[ -e "$root/lib/mipsel-linux-gnu/$lib" ] || [ -e "$root/lib/$lib" ] ||
				{ [ "$lib" = libc.so ] && [ -e "$root/lib/ld-musl-mipsel.so.1" ]; } || echo "$lib"
		done)
		[ -n "$missing" ] || return 0
		for lib in $missing; do
			found=$(find "$install_tree/lib" "$pool/lib/mipsel-linux-gnu" "$pool/usr/lib/mipsel-linux-gnu" \
				-maxdepth 1 -name "$lib" 2>/dev/null | head -n 1)
			[ -n "$found" ] || fail "no package provides $lib (needed in the image)"
			cp -L "$found" "$root/lib/mipsel-linux-gnu/$lib"
		done
	done
}

# The kernel's modules the board needs (the whole set is some 180 MB), with what
# they depend on: the WAN's veth and VLAN, the LAN bridge,
# the radios' taps, the loop device and block2mtd that make the factory data an MTD
# partition, and PPP over Ethernet (pppoe-server runs pppd over a pty: ppp_async); a
# USB stick's EHCI controller, USB storage, FAT (vfat, its code pages) and ext4;
# cuse for the GPIO driver "/dev/gpio"; MPPE for PPTP; pcnet32 for the host's port to the
# web front end (sim/board-host/emulated-router --web); the CFI chip drivers of the board's flash
# (the map is built here: flash_map_module), JFFS2, UBI and UBIFS with its compressors. xl2tpd runs its PPP over a pty:
# with the kernel's L2TP (l2tp_ppp) pppd refuses the tty option "lock" of the L2TP
# options file.
modules="veth 8021q bridge tun loop block2mtd ppp_generic ppp_async pppoe usb-storage ehci-pci vfat nls_cp437 nls_iso8859-1 nls_ascii ext4 crc32c_generic cuse ppp_mppe pcnet32
  cfi_probe cfi_cmdset_0001 jffs2 ubi ubifs zstd deflate"
copy_modules() {
	dep=$pool/lib/modules/$version/modules.dep
	for m in $modules; do
		line=$(grep -E "(^|/)$m\.ko[^:]*:" "$dep") || fail "kernel $version has no module $m"
		echo "$line" | tr -d ':' | tr ' ' '\n'
	done | sort -u | while read -r path; do
		[ -n "$path" ] || continue
		mkdir -p "$(dirname "$root/lib/modules/$version/$path")"
		cp "$pool/lib/modules/$version/$path" "$root/lib/modules/$version/$path"
	done
	cp "$pool/lib/modules/$version"/modules.builtin* "$pool/lib/modules/$version/modules.order" \
		"$root/lib/modules/$version/"
}

# flash_map_module: the board's flash map (sim/board/flash_map.c) built for the kernel
# into the root's modules, against Debian's headers of this very kernel (mipsel) and its
# build programs (the host's, linux-kbuild of the same version: a module of another
# version does not load).
flash_map_module() {
	package_version=$(dpkg-deb -f "$top"/apt-mipsel/debs/linux-image-"$version"_*.deb Version)
	fetch mipsel "$top/apt-kernel-headers" "linux-headers-$version=$package_version" \
		"linux-headers-${version%-4kc-malta}-common=$package_version"
	fetch amd64 "$top/apt-kbuild" "linux-kbuild-$(echo "$version" | cut -d. -f1,2)=$package_version"
	kernel_tree=$top/kernel-tree
	# shellcheck disable=SC3013 # the host's sh (dash) has -nt
	if [ ! "$kernel_tree/.unpacked" -nt "$top/apt-kernel-headers/.fetched" ] ||
		[ ! "$kernel_tree/.unpacked" -nt "$top/apt-kbuild/.fetched" ]; then
		unpack "$top/apt-kernel-headers" "$kernel_tree"
		for deb in "$top"/apt-kbuild/debs/*.deb; do dpkg-deb -x "$deb" "$kernel_tree"; done
		# The headers' Makefile names the common headers where Debian installs them.
		echo "include $kernel_tree/usr/src/linux-headers-${version%-4kc-malta}-common/Makefile" \
			>"$kernel_tree/usr/src/linux-headers-$version/Makefile"
		touch "$kernel_tree/.unpacked"
	fi
	rm -rf "$top/flash-map" && mkdir -p "$top/flash-map"
	cp sim/board/flash_map.c "$top/flash-map/"
	echo 'obj-m := flash_map.o' >"$top/flash-map/Kbuild"
	make -s -C "$kernel_tree/usr/src/linux-headers-$version" M="$top/flash-map" ARCH=mips \
		CROSS_COMPILE=mipsel-linux-gnu- modules >"$top/flash-map/build.log" 2>&1 ||
		{ cat "$top/flash-map/build.log" >&2; fail "the flash map module did not build"; }
	mkdir -p "$root/lib/modules/$version/extra"
	mipsel-linux-gnu-strip --strip-debug -o "$root/lib/modules/$version/extra/flash_map.ko" "$top/flash-map/flash_map.ko"
}

# shellcheck disable=SC2086 # one argument per package
fetch --closure mipsel "$top/apt-mipsel" $router_packages
pool=$top/pool
# shellcheck disable=SC3013 # the host's sh (dash) has -nt
[ "$pool/.unpacked" -nt "$top/apt-mipsel/.fetched" ] || { unpack "$top/apt-mipsel" "$pool" && touch "$pool/.unpacked"; }
if ! command -v qemu-system-mipsel >/dev/null || ! command -v depmod >/dev/null; then
	# shellcheck disable=SC2086 # as above
	fetch amd64 "$top/apt-host" $host_packages
	# shellcheck disable=SC3013 # as above
	[ "$top/host/.unpacked" -nt "$top/apt-host/.fetched" ] ||
		{ unpack "$top/apt-host" "$top/host" && touch "$top/host/.unpacked"; }
fi
if command -v depmod >/dev/null; then
	depmod=depmod
else
	# kmod acts by the name it is called with.
	ln -sfn kmod "$top/host/bin/depmod"
	depmod=$top/host/bin/depmod
fi

rm -rf "$install_tree"
cmake --install "$firmware_build" --strip --prefix "$install_tree" >/dev/null
# The image is repacked only when our programs, a board input or the package list changed.
inputs=$(input_hash)
# shellcheck disable=SC2086 # one argument per program
programs=$({ sha256sum <"$firmware_build/peak_floor"; cd "$install_tree" && find . -type f | sort | xargs sha256sum
	cd "$mipsel_build/sim" && sha256sum $harness_programs "$flash_writer"; } | sha256sum | cut -d' ' -f1)
stamp=$(printf '%s\n' "$programs" "$inputs" "$(cat "$top/apt-mipsel/.fetched")" | sha256sum | cut -d' ' -f1)
if [ -f "$top/image.cpio.gz" ] && [ -f "$top/.image" ] && [ "$(cat "$top/.image")" = "$stamp" ]; then
	echo "emulated-router: image up to date in $top"
	exit 0
fi
rm -rf "$root"
mkdir -p "$root"
cp -a "$install_tree/." "$root/"
rm -rf "$root/include" "$root/lib/pkgconfig" "$root/lib/cmake" "$root"/lib/*.a
# BusyBox's applets as links; /bin/sh among them.
mkdir -p "$root/bin" "$root/sbin" "$root/usr/bin" "$root/usr/sbin" "$root/proc" "$root/sys" \
	"$root/dev" "$root/tmp" "$root/var" "$root/run" "$root/etc" "$root/mnt" "$root/media"
cp "$pool/bin/busybox" "$root/bin/busybox"
applets=$(qemu-mipsel-static "$pool/bin/busybox" --list-full 2>/dev/null || true)
for applet in $applets; do
	[ -e "$root/$applet" ] || ln -s /bin/busybox "$root/$applet"
done
[ -e "$root/bin/sh" ] || fail "BusyBox lists no applets (qemu-mipsel-static missing?)"
cp "$pool/usr/sbin/mosquitto" "$root/usr/sbin/"
# Debian's request/response client and the timer bench/footprint.sh compares ours with;
# mosquitto_rr loads Debian's libmosquitto and cJSON from the loader's directory, not the
# router's own builds in /lib.
cp "$pool/usr/bin/mosquitto_rr" "$pool/usr/bin/hyperfine" "$root/usr/bin/"
mkdir -p "$root/lib/mipsel-linux-gnu"
cp -L "$pool/usr/lib/mipsel-linux-gnu/libmosquitto.so.1" "$pool/usr/lib/mipsel-linux-gnu/libcjson.so.1" \
	"$root/lib/mipsel-linux-gnu/"
# pppd (the router's dial-ups, and the provider's side), the PPPoE plugin where the router
# loads it and where pppoe-server looks for it, and pppoe-server with its pppoe.
cp "$pool/usr/sbin/pppd" "$pool/usr/sbin/pppoe-server" "$pool/usr/sbin/pppoe" "$root/usr/sbin/"
plugin=$(find "$pool/usr/lib/pppd" -name rp-pppoe.so | head -n 1)
[ -n "$plugin" ] || fail "package ppp brought no rp-pppoe.so"
mkdir -p "$root/etc_ro/ppp/plugins" "$root/etc/ppp/plugins"
cp "$plugin" "$root/etc_ro/ppp/plugins/rp-pppoe.so"
ln -s /etc_ro/ppp/plugins/rp-pppoe.so "$root/etc/ppp/plugins/rp-pppoe.so"
# UBI's tools for the board's flash (sim/board/flash.sh).
cp "$pool/usr/sbin/ubinize" "$pool/usr/sbin/ubiformat" "$root/usr/sbin/"
# L2TP and PPTP: xl2tpd (the router's and the provider's), the pptp client, pptpd with
# its pptpctrl; the provider's start-up.
cp "$pool/usr/sbin/xl2tpd" "$pool/usr/sbin/pptp" "$pool/usr/sbin/pptpd" "$pool/usr/sbin/pptpctrl" "$root/usr/sbin/"
mkdir -p "$root/.vrouter"
cp sim/provider/provider-tunnels.sh "$root/.vrouter/provider-tunnels.sh"
cp sim/common/interfaces.sh sim/provider/provider-dhcp.sh sim/common/settle.sh sim/common/report.sh "$root/.vrouter/"
# iproute2's ip for what BusyBox's cannot do (namespaces, veth); under its own name so
# that nothing of the router's runs it by accident.
cp "$pool/bin/ip" "$root/usr/sbin/iproute2-ip"
# The kernel and its modules.
for kernel in "$pool"/boot/vmlinuz-*; do break; done
version=${kernel##*/vmlinuz-}
cp "$kernel" "$top/vmlinuz"
[ -f "$pool/lib/modules/$version/modules.dep" ] || "$depmod" -b "$pool" "$version"
copy_modules
flash_map_module
"$depmod" -b "$root" "$version"
# The board's harness programs from the router build: the logging shell, the recording
# stand-in, the GPIO driver "/dev/gpio" on CUSE, the GPIO probe, the peak-memory probe and
# launcher of bench/footprint.sh; from the firmware's build, the power-cut test's writer
# (tests/system/flash_writer.cpp) and the hello world (bench/peak_floor.c); the LED section
# of the report (sim/common/led-requests.awk).
mkdir -p "$root/.vrouter"
for program in $harness_programs; do
	mipsel-linux-gnu-strip -o "$root/.vrouter/$program" "$mipsel_build/sim/$program"
done
mipsel-linux-gnu-strip -o "$root/.vrouter/flash_writer" "$flash_writer"
mipsel-linux-gnu-strip -o "$root/.vrouter/peak_floor" "$firmware_build/peak_floor"
cp sim/common/led-requests.awk "$root/.vrouter/"
add_libraries
# The firmware's DHCP client script, and the logging shell of the virtual router as
# /bin/sh: each "sh -c" goes to /.vrouter/log/sh.log, then to BusyBox ash, with a
# prelude that sends udhcpc's "-h NAME" on as Debian BusyBox's "-x hostname:NAME"
# (see sim/README.md).
cp sim/common/udhcpc.sh "$root/sbin/udhcpc.sh"
# On the emulated board a lease in the L2TP or PPTP mode also dials (sim/board/udhcpc-dial.sh).
mv "$root/sbin/udhcpc.sh" "$root/sbin/udhcpc-lease.sh" && cp sim/board/udhcpc-dial.sh "$root/sbin/udhcpc.sh"
mkdir -p "$root/.vrouter/bin" "$root/.vrouter/busybox" "$root/.vrouter/log"
# The USB stick's side of the board: the mount script the USB tool's "doMount" runs, the
# modules' loading and the report's USB section (sim/common/usb-report over the board's logs).
cp sim/board/automount.sh "$root/sbin/automount.sh"
cp sim/board/usb.sh sim/common/usb-report sim/board/flash.sh sim/board/power-cut.sh "$root/.vrouter/"
rm -f "$root/bin/sh"
ln -s /.vrouter/shlog "$root/bin/sh"
cp sim/common/udhcpc-h "$root/.vrouter/bin/udhcpc"
ln -s /bin/busybox "$root/.vrouter/busybox/udhcpc"
# The broker the router starts as qv_broker is Debian's mosquitto; started as root, it
# drops to "nobody".
ln -s mosquitto "$root/usr/sbin/qv_broker"
printf 'root:x:0:0:root:/root:/bin/sh\nnobody:x:65534:65534:nobody:/nonexistent:/bin/false\n' >"$root/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$root/etc/group"
# The router's own programs that the image does not have yet are the virtual router's
# recording stand-ins (sim/common/standin.c, log in /.vrouter/log/standin.log), last in PATH;
# those named like BusyBox applets lose the applet and get a shell function in the
# prelude, as ash runs its applets before PATH.
installed=""
for name in $(standin_names sim/common/standins); do
	[ -z "$(find "$root/bin" "$root/sbin" "$root/usr/bin" "$root/usr/sbin" -name "$name" ! -lname /bin/busybox)" ] || continue
	ln -s ../standin "$root/.vrouter/bin/$name"
	for dir in bin sbin usr/bin usr/sbin; do
		[ ! -L "$root/$dir/$name" ] || rm "$root/$dir/$name"
	done
	installed="$installed $name"
done
# The platform's network script starts the router's web server, as on the virtual router
# with --web: internet.sh is recorded under its own name, then starts the web front end
# (sim/common/internet-web.sh).
mkdir -p "$root/.vrouter/bin/recorded"
rm "$root/.vrouter/bin/internet.sh"
ln -s ../../standin "$root/.vrouter/bin/recorded/internet.sh"
cp sim/common/internet-web.sh "$root/.vrouter/bin/internet.sh"
# shellcheck disable=SC2086 # one argument per name
sh_prelude "$(echo "$applets" | sed 's|.*/||')" $installed >"$root/.vrouter/sh-prelude"
# iwpriv's EEPROM commands work on the Factory partition (sim/board/iwpriv); its calls
# are still recorded by the stand-in, kept under /.vrouter/recorded.
mkdir -p "$root/.vrouter/recorded"
mv "$root/.vrouter/bin/iwpriv" "$root/.vrouter/recorded/iwpriv"
cp sim/board/iwpriv "$root/.vrouter/bin/iwpriv"
cp sim/board/init "$root/init"
chmod 755 "$root/init"
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1 >"$top/image.cpio.gz")
echo "$stamp" >"$top/.image"
echo "emulated-router: kernel $version, image $(stat -c %s "$top/image.cpio.gz") bytes in $top"
