#!/bin/bash
# The emulated router's image as scripts/emulated-router.sh builds it: every program and
# library in it finds each library it needs inside the image; the C library and its
# loader are both Debian's libc6 (the cross toolchain's libc.so.6 beside Debian's
# ld.so.1 makes every fork crash in the child while the boot still exits 0); our
# programs, /init, the logging shell, the PPPoE plugin and the L2TP and PPTP daemons
# are where the board runs them; the kernel's module list names the modules the board
# loads. Needs the router build (build/mipsel); skipped without it.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
source "$QAVO_SOURCE_DIR/sim/board-host/testlib.sh"
emulated_build_image
top=$emulated_top
image=$vr_runs/image
mkdir -p "$image"
(cd "$image" && gzip -dc "$top/image.cpio.gz" | busybox cpio -id 2>/dev/null)

unresolved=""
while IFS= read -r -d '' f; do
	for lib in $(readelf -d "$f" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
		[ -e "$image/lib/$lib" ] || [ -e "$image/lib/mipsel-linux-gnu/$lib" ] || unresolved+="${f#"$image"} needs $lib; "
	done
done < <(find "$image" -type f \( -perm -u+x -o -name '*.so*' \) -print0)
expect_eq "libraries missing from the image" "" "$unresolved"

for lib in ld.so.1 libc.so.6; do
	expect_eq "$lib is Debian's libc6's" "$(sha256sum <"$top/pool/lib/mipsel-linux-gnu/$lib")" \
		"$(sha256sum <"$image/lib/mipsel-linux-gnu/$lib")"
done
expect_eq "the loader link" "mipsel-linux-gnu/ld.so.1" "$(readlink "$image/lib/ld.so.1")"
for f in init bin/initqavo bin/ombix_networkconfig bin/nvram_daemon bin/busybox usr/sbin/mosquitto \
	usr/sbin/pppd usr/sbin/pppoe-server .vrouter/shlog .vrouter/standin .vrouter/libpeak_rss.so .vrouter/bin/iwpriv etc_ro/ppp/plugins/rp-pppoe.so \
	etc_ro/mosquitto.conf .vrouter/gpio_cuse .vrouter/gpio_probe .vrouter/led-requests.awk \
	usr/sbin/xl2tpd usr/sbin/pptp usr/sbin/pptpd usr/sbin/pptpctrl \
	.vrouter/provider-tunnels.sh sbin/udhcpc.sh sbin/udhcpc-lease.sh; do
	[ -f "$image/$f" ] || vr_fail "the image has no /$f"
done
expect_eq "the GPIO driver runs on Debian's libfuse3" "libfuse3.so.3" "$(readelf -d "$image/.vrouter/gpio_cuse" | sed -n 's/.*(NEEDED).*\[\(libfuse.*\)\]/\1/p')"
expect_eq "/bin/sh is the logging shell" "/.vrouter/shlog" "$(readlink "$image/bin/sh")"
expect_eq "the logging shell is a MIPS program" "MIPS" "$(readelf -h "$image/.vrouter/shlog" | awk '/Machine:/ { print $2 }')"
expect_eq "iwpriv's calls recorded by the stand-in" "../standin" "$(readlink "$image/.vrouter/recorded/iwpriv")"
# Router programs the image has are never replaced by a stand-in.
for name in ombix_networkconfig ombix_usbconfig qavo_sub xl2tpd pppd; do
	[ ! -e "$image/.vrouter/bin/$name" ] || vr_fail "$name is a stand-in although the image has it"
done
deps=$(cat "$image"/lib/modules/*/modules.dep)
for m in veth bridge 8021q tun loop block2mtd ppp_generic ppp_async pppoe cuse ppp_mppe flash_map cfi_probe cfi_cmdset_0001 jffs2 ubi ubifs zstd deflate; do
	grep -q "/$m\.ko[^:]*:" <<<"$deps" || vr_fail "modules.dep lacks $m"
done
# The USB stick: its modules, the mount script "doMount" runs (never a stand-in), the
# board's USB part and report.
for m in usb-storage ehci-pci ehci-hcd usbcore vfat fat nls_cp437 nls_iso8859-1 nls_ascii ext4 jbd2 mbcache crc16 crc32c_generic; do
	grep -q "/$m\.ko[^:]*:" <<<"$deps" || vr_fail "modules.dep lacks $m"
done
for f in sbin/automount.sh .vrouter/usb.sh .vrouter/usb-report; do [ -f "$image/$f" ] || vr_fail "the image has no /$f"; done
[ ! -e "$image/.vrouter/bin/automount.sh" ] || vr_fail "automount.sh is a stand-in although the image has it"
finish
