#!/bin/sh
# router-libc.sh uclibc|musl: a sysroot with the router's own C library, for the presets
# "router" (uClibc-ng) and "musl" (cmake/mipsel-router-libc.cmake), then libmosquitto and
# cJSON built against it (scripts/router-libraries.sh).
#
#   uclibc: uClibc-ng 1.0.35 from Debian's uclibc-source, MIPS32r2 little-endian, o32,
#           soft-float (the router's 24KEc has no FPU): native threads with TLS, 64-bit
#           file offsets, IPv6, wide characters (libstdc++'s <string_view> needs them),
#           C99 math and stack protection, no locales. The loader keeps classic DT_HASH:
#           the 1.0.35 loader cannot read the DT_MIPS_XHASH that binutils writes for
#           --hash-style=gnu. libgcc's float routines come from Debian's gcc-12 source
#           (its soft-fp files alone, compiled -msoft-float) and replace the hard-float
#           ones in a copy of the cross compiler's libgcc.a; that copy and the crtbegin/
#           crtend files lose their float-ABI attributes, which hold no float code.
#   musl:   Debian's musl and musl-dev for mipsel (hard-float o32 like Debian's), a
#           portability build only: code that leans on one C library shows there.
#
# Into build/router-libc/NAME/sysroot (scripts/build-dirs.sh): usr/include (the C
# library's and the toolchain's mipsel kernel headers), usr/lib (start files, libgcc,
# link names), lib/ (the loader and the shared C library, which the install tree
# carries) and gcc.specs, which points mipsel-linux-gnu-gcc/g++ at them alone. Debian's
# cross gcc searches its glibc directories (and the host's /usr/include) even with
# --sysroot, so the specs drop every default directory (-nostdinc, -nostdlib) and name
# the sysroot's, as musl-gcc does. The C++ headers stay the toolchain's, with an overlay
# of bits/c++config.h that withdraws what glibc 2.36 has and the C library lacks.
# libstdc++.a is an empty archive: our code uses no C++ run time, and a link that
# needed one fails rather than pick glibc's.
#
# Packages come through apt with a private state under build/router-libc/apt (nothing
# on the host changes, no foreign architecture is added). Does nothing when the sysroot
# was made by this script with the same toolchain and kernel headers; --check fetches
# and builds nothing and fails naming the command when the sysroot is missing or stale.
set -eu
cd "$(dirname "$0")/.."
. scripts/private-apt.sh
. scripts/build-dirs.sh
libc=${1:-}
check=${2:-}
case $libc in uclibc | musl) ;; *) echo "usage: $0 uclibc|musl [--check]" >&2; exit 2 ;; esac
case $check in "" | --check) ;; *) echo "usage: $0 uclibc|musl [--check]" >&2; exit 2 ;; esac

top=$router_libc_dir
apt_dir=$top/apt
out=$top/$libc
sysroot=$out/sysroot
work=$out/work
log=$out/build.log
jobs=${QAVO_JOBS:-2}
triplet=mipsel-linux-gnu
gcc_lib=$(dirname "$($triplet-gcc -print-libgcc-file-name)")
cxx_include=/usr/$triplet/include/c++/12
kernel_include=/usr/$triplet/include

fail() { echo "router-libc: $*" >&2; exit 1; }
current_step=
step() {
	current_step=$1
	shift
	echo "== $current_step" >>"$log"
	"$@" >>"$log" 2>&1
	current_step=
}
report_failed_step() {
	[ -n "$current_step" ] || return 0
	tail -n 25 "$log" >&2
	echo "router-libc: step '$current_step' failed (whole log: $log)" >&2
}
trap report_failed_step EXIT

command -v $triplet-gcc >/dev/null || fail "$triplet-gcc missing; run scripts/install-deps.sh"
toolchain=$(dpkg-query -W -f='${Version} ' gcc-12-$triplet g++-12-$triplet linux-libc-dev-mipsel-cross)
stamp_text="$libc $toolchain$sysroot $(sha256sum "$0" | cut -d' ' -f1)"
stamp=$sysroot/.built
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
	[ -n "$check" ] && { echo "$sysroot"; exit 0; }
	exec scripts/router-libraries.sh "$libc"
fi
[ -z "$check" ] || fail "the $libc sysroot $sysroot is missing or out of date: run scripts/router-libc.sh $libc"
rm -rf "$out"
mkdir -p "$work" "$apt_dir"
: >"$log"

# fetch_debs PACKAGES...: mipsel (or architecture all) packages into $apt_dir/debs.
# fetch_source PACKAGE: a source package's files into $apt_dir/src, not unpacked.
apt_sources() {
	mkdir -p "$apt_dir/etc/sources.list.d" "$apt_dir/debs" "$apt_dir/src"
	keyring=/usr/share/keyrings/debian-archive-keyring.gpg
	mirror=${QAVO_DEBIAN_MIRROR:-http://deb.debian.org/debian}
	codename=$(. /etc/os-release && echo "${VERSION_CODENAME:?}")
	cat >"$apt_dir/etc/sources.list" <<-EOF
		deb [signed-by=$keyring] $mirror $codename main
		deb-src [signed-by=$keyring] $mirror $codename main
	EOF
	private_apt "$apt_dir" -o Dir::Etc::SourceList="$apt_dir/etc/sources.list" \
		-o Dir::Etc::SourceParts="$apt_dir/etc/sources.list.d" \
		-o APT::Architecture=mipsel -o APT::Architectures::=mipsel -q --error-on=any update
}
apt_in() {
	dir=$1
	shift
	(cd "$dir" && private_apt "$apt_dir" -o Dir::Etc::SourceList="$apt_dir/etc/sources.list" \
		-o Dir::Etc::SourceParts="$apt_dir/etc/sources.list.d" \
		-o APT::Architecture=mipsel -o APT::Architectures::=mipsel -q "$@")
}
fetch_debs() { rm -f "$apt_dir"/debs/*.deb && apt_in "$apt_dir/debs" download "$@"; }
fetch_source() { rm -rf "$apt_dir/src" && mkdir -p "$apt_dir/src" && apt_in "$apt_dir/src" --download-only source "$1"; }

# The toolchain's kernel headers (Debian's linux-libc-dev for mipsel).
copy_kernel_headers() {
	mkdir -p "$sysroot/usr/include"
	for dir in linux asm asm-generic mtd; do
		cp -a "$kernel_include/$dir" "$sysroot/usr/include/"
	done
}

# write_specs DYNAMIC_LINKER LIBGCC_DIR FLOAT_FLAG: gcc.specs for this sysroot. The cc1
# spec serves C and C++ alike; its directories come after (-idirafter) those the cc1plus
# spec adds for C++ alone.
write_specs() {
	loader=$1 crt_dir=$2 float=$3
	cat >"$sysroot/gcc.specs" <<-EOF
		*cc1:
		+ $float -nostdinc -idirafter $sysroot/usr/include -idirafter $gcc_lib/include

		*cc1plus:
		+ -isystem $sysroot/usr/include/c++-overlay -isystem $cxx_include -isystem $cxx_include/$triplet -isystem $cxx_include/backward

		*asm:
		+ $float

		*link_libgcc:
		-L$sysroot/usr/lib -L$sysroot/usr/lib/$triplet

		*libgcc:
		$crt_dir/libgcc.a

		*startfile:
		%{!shared:$sysroot/usr/lib/Scrt1.o} $sysroot/usr/lib/crti.o $crt_dir/crtbeginS.o

		*endfile:
		$crt_dir/crtendS.o $sysroot/usr/lib/crtn.o

		*link:
		+ -nostdlib --sysroot=$sysroot --hash-style=sysv %{!shared:-dynamic-linker $loader}
	EOF
	ar rc "$sysroot/usr/lib/libstdc++.a"
}

# write_cxx_overlay MACROS...: bits/c++config.h as the toolchain's, less MACROS; its
# glibc version tests read as false where the C library is not glibc.
write_cxx_overlay() {
	mkdir -p "$sysroot/usr/include/c++-overlay/bits"
	{
		echo "/* The toolchain's libstdc++ configuration, less what $libc lacks (router-libc.sh). */"
		echo "#ifndef __GLIBC_PREREQ"
		echo "#define __GLIBC_PREREQ(major, minor) 0"
		echo "#endif"
		echo "#include_next <bits/c++config.h>"
		for macro in "$@"; do echo "#undef $macro"; done
	} >"$sysroot/usr/include/c++-overlay/bits/c++config.h"
}

build_musl() {
	step "fetch musl" fetch_debs musl musl-dev
	unpacked=$work/debs
	for deb in "$apt_dir"/debs/*.deb; do dpkg-deb -x "$deb" "$unpacked"; done
	mkdir -p "$sysroot/usr/lib" "$sysroot/lib"
	cp -a "$unpacked/usr/include/mipsel-linux-musl/." "$sysroot/usr/include/"
	cp -a "$unpacked/usr/lib/mipsel-linux-musl/." "$sysroot/usr/lib/"
	rm -f "$sysroot/usr/lib/musl-gcc.specs"
	# musl's C library is its loader too: one file, lib/ld-musl-mipsel.so.1.
	cp "$unpacked/lib/mipsel-linux-musl/libc.so" "$sysroot/lib/ld-musl-mipsel.so.1"
	ln -s ../../lib/ld-musl-mipsel.so.1 "$sysroot/usr/lib/libc.so"
	write_specs /lib/ld-musl-mipsel.so.1 "$gcc_lib" ""
	write_cxx_overlay
}

# Soft-float libgcc: the soft-fp routines for single and double precision, and the
# cross compiler's libgcc.a without every member that holds float code or defines one
# of those routines.
soft_fp_functions() {
	for m in sf df; do
		for f in add div eq ge le mul neg sub unord; do
			case $f in add | div | mul | sub) echo "$f${m}3" ;; *) echo "$f${m}2" ;; esac
		done
		for i in si di; do echo "fix$m$i fixuns$m$i float$i$m floatun$i$m"; done
	done
	echo extendsfdf2 truncdfsf2
}
build_soft_libgcc() {
	gcc_tree=$work/gcc
	mkdir -p "$gcc_tree" "$work/soft-fp" "$work/libgcc"
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
	# Members defining a soft-fp routine (nm -A: "archive:member: value type name").
	$triplet-nm -A -g --defined-only "$gcc_lib/libgcc.a" 2>/dev/null |
		awk -v symbols="$work/soft-fp.symbols" -F'[: ]+' '
			FILENAME == symbols { replaced[$1] = 1; next }
			NF >= 5 && ($5 in replaced) { print $2 }' "$work/soft-fp.symbols" - >"$work/dropped"
	scripts/float-abi-check.sh --members "$gcc_lib/libgcc.a" | tr ' ' '\n' >>"$work/dropped"
	sort -u "$work/dropped" | while read -r member; do rm "$work/libgcc/$member"; done
	echo "libgcc members left out: $(sort -u "$work/dropped" | tr '\n' ' ')"
	mkdir -p "$sysroot/usr/lib"
	for member in "$work"/libgcc/*.o "$work"/soft-fp/*.o; do
		$triplet-objcopy -R .gnu.attributes -R .MIPS.abiflags "$member"
	done
	ar rcs "$sysroot/usr/lib/libgcc.a" "$work"/libgcc/*.o "$work"/soft-fp/*.o
	for crt in crtbegin.o crtend.o crtbeginS.o crtendS.o; do
		[ -z "$(scripts/float-abi-check.sh --functions "$gcc_lib/$crt")" ] || return 1
		$triplet-objcopy -R .gnu.attributes -R .MIPS.abiflags "$gcc_lib/$crt" "$sysroot/usr/lib/$crt"
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
		KERNEL_HEADERS="$sysroot/usr/include"
		HAVE_SHARED=y
		# LDSO_GNU_HASH_SUPPORT is not set
		UCLIBC_HAS_THREADS_NATIVE=y
		UCLIBC_HAS_TLS=y
		UCLIBC_HAS_LFS=y
		UCLIBC_HAS_IPV6=y
		UCLIBC_HAS_WCHAR=y
		# UCLIBC_HAS_LOCALE is not set
		UCLIBC_HAS_SSP=y
		RUNTIME_PREFIX="/"
		DEVEL_PREFIX="/usr/"
		CROSS_COMPILER_PREFIX="$triplet-"
		UCLIBC_EXTRA_CFLAGS="-march=mips32r2"
		# DOSTRIP is not set
	EOF
}
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
build_uclibc() {
	step "fetch uclibc-source" fetch_debs uclibc-source
	step "fetch gcc-12's source" fetch_source gcc-12
	step "copy the kernel headers" copy_kernel_headers
	step "soft-float libgcc from gcc-12's soft-fp" build_soft_libgcc
	tree=$work/uClibc-ng
	mkdir -p "$tree"
	tarball=./usr/src/uClibc-ng-1.0.35.tar.xz
	step "unpack uClibc-ng 1.0.35" sh -c \
		"dpkg-deb --fsys-tarfile '$(ls "$apt_dir"/debs/uclibc-source_*.deb)' | tar xOf - '$tarball' |
			tar xJf - -C '$tree' --strip-components=1"
	step "configure uClibc-ng" configure_uclibc "$tree"
	# libgcc and crtbegin/crtend: the soft-float copies, never the cross compiler's.
	step "build uClibc-ng (soft-float)" make -C "$tree" -j"$jobs" ARCH=mips \
		LIBGCC_A="$sysroot/usr/lib/libgcc.a" all
	step "install uClibc-ng" make -C "$tree" ARCH=mips PREFIX="$sysroot" \
		LIBGCC_A="$sysroot/usr/lib/libgcc.a" install
	write_specs /lib/ld-uClibc.so.0 "$sysroot/usr/lib" -msoft-float
	write_cxx_overlay _GLIBCXX_HAVE_QUICK_EXIT _GLIBCXX_HAVE_AT_QUICK_EXIT _GLIBCXX_HAVE_TIMESPEC_GET \
		_GLIBCXX_HAVE_ALIGNED_ALLOC
}

started=$(date +%s)
case $libc in
musl)
	step "apt lists" apt_sources
	step "copy the kernel headers" copy_kernel_headers
	build_musl
	;;
uclibc)
	step "apt lists" apt_sources
	build_uclibc
	;;
esac
echo "$stamp_text" >"$stamp"
echo "router-libc: $libc sysroot in $sysroot ($(($(date +%s) - started)) s)"
exec scripts/router-libraries.sh "$libc"
