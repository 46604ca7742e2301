#!/bin/sh
# uclibc-ng.sh: the router's C library, uClibc-ng 1.0.35 from Debian's uclibc-source, for
# its MIPS32r2 little-endian core without FPU (o32, soft-float), with libgcc to match.
# scripts/router-libc.sh uclibc makes the sysroot of the preset "router" from it.
#
# Into build/router-libc/uclibc-ng (scripts/build-dirs.sh):
#   prefix/  uClibc-ng installed: lib/ (ld-uClibc.so.0, libc.so.0 and the other
#            libraries), usr/include (with the mipsel kernel headers it was built
#            against), usr/lib (start files, link names)
#   libgcc/  libgcc.a and crtbegin/crtend(S).o, soft-float
#   uclibc-ng.config  the configuration it was built with
#
# Configuration: `make defconfig` and this fragment: native threads with TLS, 64-bit file
# offsets, IPv6, wide characters (libstdc++'s <string_view> needs them), C99 math and
# stack protection; no locales, no long double functions (wrappers of the double ones
# here), no profiling support, no /etc/ld.so.cache (the loader searches its directories;
# under qemu it would read the host's glibc cache). The loader keeps classic DT_HASH (no
# LDSO_GNU_HASH_SUPPORT): binutils 2.40 writes only DT_MIPS_XHASH for
# --hash-style=gnu, which the 1.0.35 loader cannot read.
#
# libgcc: the float routines (single and double precision arithmetic, comparisons and
# conversions) are compiled -msoft-float from the soft-fp files of Debian's gcc-12 source
# alone, and replace every member of a copy of the cross compiler's libgcc.a that holds
# float code or defines one of them (the cross compiler has no soft-float multilib).
# The members left, and copies of crtbegin/crtend, hold no float code; they lose their
# float-ABI attributes, so linking them declares soft-float. uClibc-ng is linked with
# that libgcc.
#
# Packages come through apt with a private state under build/router-libc/apt (nothing on
# the host changes, no foreign architecture is added). Does nothing when built by this
# script (and the scripts it uses) with the same cross toolchain; a failed step stops
# with its name.
set -eu
cd "$(dirname "$0")/.."
. scripts/private-apt.sh
. scripts/build-dirs.sh
. scripts/libc-parts.sh
top=$router_libc_dir/uclibc-ng
apt_dir=$router_libc_dir/apt
prefix=$top/prefix
soft_libgcc=$top/libgcc
work=$top/work
log=$top/build.log
triplet=mipsel-linux-gnu
script_name=uclibc-ng
. scripts/steps.sh
gcc_lib=$(dirname "$($triplet-gcc -print-libgcc-file-name)")

command -v $triplet-gcc >/dev/null || fail "$triplet-gcc missing; run scripts/install-deps.sh"
toolchain=$(dpkg-query -W -f='${Version} ' gcc-12-$triplet linux-libc-dev-mipsel-cross)
stamp_text="$toolchain$top $(sha256sum "$0" scripts/libc-parts.sh scripts/float-abi-check.sh | cut -d' ' -f1 | tr '\n' ' ')"
if [ -f "$top/.built" ] && [ "$(cat "$top/.built")" = "$stamp_text" ]; then
	exit 0
fi
rm -rf "$top"
mkdir -p "$work" "$apt_dir"
: >"$log"

# The soft-fp routines: name = file name = function name without "__".
soft_fp_functions() {
	for m in sf df; do
		for f in add div mul sub; do echo "$f${m}3"; done
		for f in eq ge le neg unord; do echo "$f${m}2"; done
		for i in si di; do echo "fix$m$i fixuns$m$i float$i$m floatun$i$m"; done
	done
	echo extendsfdf2 truncdfsf2
}
build_soft_libgcc() {
	gcc_tree=$work/gcc
	mkdir -p "$gcc_tree" "$work/soft-fp" "$work/libgcc" "$soft_libgcc"
	orig=$(ls "$apt_dir"/src/gcc-12_*.orig.tar.gz)
	inner=$(tar tzf "$orig" | grep '/gcc-[0-9.]*-dfsg\.tar\.xz$')
	tar xzOf "$orig" "$inner" | tar xJf - -C "$gcc_tree" --strip-components=1 --wildcards \
		'*/libgcc/soft-fp/*' '*/libgcc/config/mips/sfp-machine.h' '*/include/longlong.h'
	for f in $(soft_fp_functions); do
		$triplet-gcc -Os -march=mips32r2 -msoft-float -fPIC -fno-stack-protector -Wall \
			-I "$gcc_tree/libgcc/config/mips" -I "$gcc_tree/libgcc/soft-fp" -I "$gcc_tree/include" \
			-c "$gcc_tree/libgcc/soft-fp/$f.c" -o "$work/soft-fp/$f.o"
	done
	$triplet-nm -g --defined-only "$work"/soft-fp/*.o | awk 'NF == 3 { print $3 }' | sort -u >"$work/soft-fp.symbols"
	(cd "$work/libgcc" && ar x "$gcc_lib/libgcc.a")
	# Members defining a soft-fp routine (nm -A: "archive:member:value type name"), and
	# those holding float code.
	$triplet-nm -A -g --defined-only "$gcc_lib/libgcc.a" 2>/dev/null |
		awk -v symbols="$work/soft-fp.symbols" -F'[: ]+' '
			FILENAME == symbols { replaced[$1] = 1; next }
			NF >= 5 && ($5 in replaced) { print $2 }' "$work/soft-fp.symbols" - >"$work/dropped"
	scripts/float-abi-check.sh --members "$gcc_lib/libgcc.a" | tr ' ' '\n' >>"$work/dropped"
	sort -u "$work/dropped" | while read -r member; do rm "$work/libgcc/$member"; done
	echo "libgcc members left out: $(sort -u "$work/dropped" | tr '\n' ' ')"
	for member in "$work"/libgcc/*.o "$work"/soft-fp/*.o; do
		$triplet-objcopy -R .gnu.attributes -R .MIPS.abiflags "$member"
	done
	ar rcs "$soft_libgcc/libgcc.a" "$work"/libgcc/*.o "$work"/soft-fp/*.o
	for crt in crtbegin.o crtend.o crtbeginS.o crtendS.o; do
		[ -z "$(scripts/float-abi-check.sh --functions "$gcc_lib/$crt")" ] || return 1
		$triplet-objcopy -R .gnu.attributes -R .MIPS.abiflags "$gcc_lib/$crt" "$soft_libgcc/$crt"
	done
}

uclibc_config() {
	cat <<-EOF
		TARGET_mips=y
		TARGET_ARCH="mips"
		CONFIG_MIPS_O32_ABI=y
		CONFIG_MIPS_NAN_LEGACY=y
		ARCH_WANTS_LITTLE_ENDIAN=y
		# ARCH_WANTS_BIG_ENDIAN is not set
		UCLIBC_HAS_FLOATS=y
		# UCLIBC_HAS_FPU is not set
		DO_C99_MATH=y
		# UCLIBC_HAS_LONG_DOUBLE_MATH is not set
		KERNEL_HEADERS="$work/kernel-headers"
		HAVE_SHARED=y
		# LDSO_GNU_HASH_SUPPORT is not set
		UCLIBC_HAS_THREADS_NATIVE=y
		UCLIBC_HAS_TLS=y
		UCLIBC_HAS_LFS=y
		UCLIBC_HAS_IPV6=y
		UCLIBC_HAS_WCHAR=y
		# UCLIBC_HAS_LOCALE is not set
		UCLIBC_HAS_SSP=y
		# UCLIBC_HAS_PROFILING is not set
		# LDSO_CACHE_SUPPORT is not set
		RUNTIME_PREFIX="/"
		DEVEL_PREFIX="/usr/"
		CROSS_COMPILER_PREFIX="$triplet-"
		UCLIBC_EXTRA_CFLAGS="-march=mips32r2"
		# DOSTRIP is not set
	EOF
}
# configure_uclibc TREE: defconfig with the fragment, every line of which must survive.
configure_uclibc() {
	make -C "$1" ARCH=mips defconfig
	uclibc_config >"$work/fragment"
	symbols=$(sed -n 's/^\([A-Z0-9_]*\)=.*/\1/p; s/^# \([A-Z0-9_]*\) is not set/\1/p' "$work/fragment")
	for s in $symbols; do
		sed -i "/^$s=/d; /^# $s is not set/d" "$1/.config"
	done
	cat "$work/fragment" >>"$1/.config"
	make -C "$1" ARCH=mips olddefconfig
	for s in $symbols; do
		grep -qx "$(grep -E "^($s=|# $s is not set)" "$work/fragment")" "$1/.config" ||
			{ echo "uClibc-ng did not keep $s"; return 1; }
	done
}
unpack_uclibc() {
	deb=$(ls "$apt_dir"/debs/uclibc-source_1.0.35-*.deb)
	dpkg-deb --fsys-tarfile "$deb" | tar xOf - ./usr/src/uClibc-ng-1.0.35.tar.xz |
		tar xJf - -C "$1" --strip-components=1
}

started=$(date +%s)
tree=$work/uClibc-ng
mkdir -p "$tree"
step "apt lists" debian_lists "$apt_dir"
step "fetch uclibc-source" debian_debs "$apt_dir" uclibc-source=1.0.35-1
step "fetch gcc-12's source" debian_source "$apt_dir" gcc-12
step "copy the kernel headers" copy_kernel_headers "$work/kernel-headers"
step "soft-float libgcc from gcc-12's soft-fp" build_soft_libgcc
step "unpack uClibc-ng 1.0.35" unpack_uclibc "$tree"
step "configure uClibc-ng" configure_uclibc "$tree"
# Linked with the soft-float libgcc and its crtbegin/crtend, never the cross compiler's.
step "build uClibc-ng (soft-float)" make -C "$tree" -j"${QAVO_JOBS:-2}" ARCH=mips \
	LIBGCC_A="$soft_libgcc/libgcc.a" all
step "install uClibc-ng" make -C "$tree" ARCH=mips PREFIX="$prefix" \
	LIBGCC_A="$soft_libgcc/libgcc.a" install
step "copy the kernel headers into the prefix" copy_kernel_headers "$prefix/usr/include"
cp "$tree/.config" "$top/uclibc-ng.config"
rm -rf "$work"
echo "$stamp_text" >"$top/.built"
echo "uclibc-ng: built into $prefix in $(($(date +%s) - started)) s"
