#!/bin/sh
# router-libc.sh uclibc|musl [--check]: a sysroot with the router's own C library, for
# the presets "router" (uClibc-ng, soft-float: what the router runs; built by
# scripts/uclibc-ng.sh) and "musl" (Debian's musl and musl-dev for mipsel, hard-float o32
# like Debian's: a portability build, where code that leans on one C library shows),
# then libmosquitto and cJSON built against it (scripts/router-libraries.sh).
#
# Into build/router-libc/NAME/sysroot (scripts/build-dirs.sh): usr/include (the C
# library's and the toolchain's mipsel kernel headers), usr/lib (start files, libgcc,
# link names), lib/ (the loader and the shared C library, which the install tree
# carries) and a GCC driver file, which points mipsel-linux-gnu-gcc/g++ at them alone. Debian's
# cross gcc searches its glibc directories (and the host's /usr/include) even with
# --sysroot, so the driver file drops every default directory (-nostdinc, -nostdlib) and name
# the sysroot's, as musl-gcc does; links keep classic DT_HASH (--hash-style=sysv). The
# C++ headers stay the toolchain's, with an overlay of bits/c++config.h that withdraws
# what glibc 2.36 has and the C library lacks. libstdc++.a is an empty archive: our code
# uses no C++ run time, and a link that needed one fails rather than take glibc's.
#
# musl's packages come through apt with a private state under build/router-libc/apt
# (nothing on the host changes, no foreign architecture is added). Does nothing when the
# sysroot was made by this script with the same toolchain; --check fetches and builds
# nothing, prints the sysroot when it is up to date and fails naming the command
# otherwise.
set -eu
cd "$(dirname "$0")/.."
. scripts/private-apt.sh
. scripts/build-dirs.sh
. scripts/libc-parts.sh
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
triplet=mipsel-linux-gnu
gcc_lib=$(dirname "$($triplet-gcc -print-libgcc-file-name)")
cxx_include=/usr/$triplet/include/c++/12

script_name=router-libc
. scripts/steps.sh

command -v $triplet-gcc >/dev/null || fail "$triplet-gcc missing; run scripts/install-deps.sh"
# uClibc-ng itself is built (once) by its own script; the sysroot follows its build.
uclibc_ng=$router_libc_dir/uclibc-ng
[ "$libc$check" != uclibc ] || scripts/uclibc-ng.sh
toolchain=$(dpkg-query -W -f='${Version} ' gcc-12-$triplet g++-12-$triplet linux-libc-dev-mipsel-cross)
scripts_hash=$(cat "$0" scripts/libc-parts.sh | sha256sum | cut -d" " -f1)
stamp_text="$libc $toolchain$sysroot $scripts_hash"
[ "$libc" = musl ] || stamp_text="$stamp_text $(cat "$uclibc_ng/.built" 2>/dev/null)"
stamp=$sysroot/.built
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
	[ -n "$check" ] && { echo "$sysroot"; exit 0; }
	exec scripts/router-libraries.sh "$libc"
fi
[ -z "$check" ] || fail "the $libc sysroot $sysroot is missing or out of date: run scripts/router-libc.sh $libc"
rm -rf "$out"
mkdir -p "$work" "$sysroot" "$apt_dir"
: >"$log"

# write_driver_file DYNAMIC_LINKER LIBGCC_DIR FLOAT_FLAG: the GCC driver file for this
# sysroot. Its cc1 entry serves C and C++ alike; its directories come after (-idirafter)
# those the cc1plus entry adds for C++ alone.
write_driver_file() {
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
	step "apt lists" debian_lists "$apt_dir"
	step "fetch musl" debian_debs "$apt_dir" musl musl-dev
	unpacked=$work/debs
	for deb in "$apt_dir"/debs/musl*.deb; do dpkg-deb -x "$deb" "$unpacked"; done
	mkdir -p "$sysroot/usr/lib" "$sysroot/lib"
	cp -a "$unpacked/usr/include/mipsel-linux-musl/." "$sysroot/usr/include/"
	cp -a "$unpacked/usr/lib/mipsel-linux-musl/." "$sysroot/usr/lib/"
	rm -f "$sysroot/usr/lib/musl-gcc.specs"
	# musl's C library is its loader too: one file, lib/ld-musl-mipsel.so.1.
	cp "$unpacked/lib/mipsel-linux-musl/libc.so" "$sysroot/lib/ld-musl-mipsel.so.1"
	ln -s ../../lib/ld-musl-mipsel.so.1 "$sysroot/usr/lib/libc.so"
	step "copy the kernel headers" copy_kernel_headers "$sysroot/usr/include"
	write_driver_file /lib/ld-musl-mipsel.so.1 "$gcc_lib" ""
	write_cxx_overlay
}

# uClibc-ng's installed prefix and its soft-float libgcc and crtbegin/crtend.
assemble_uclibc() {
	cp -a "$uclibc_ng/prefix/." "$sysroot/"
	cp -a "$uclibc_ng/libgcc/." "$sysroot/usr/lib/"
	write_driver_file /lib/ld-uClibc.so.0 "$sysroot/usr/lib" -msoft-float
	write_cxx_overlay _GLIBCXX_HAVE_QUICK_EXIT _GLIBCXX_HAVE_AT_QUICK_EXIT _GLIBCXX_HAVE_TIMESPEC_GET \
		_GLIBCXX_USE_TMPNAM
}

started=$(date +%s)
case $libc in
musl) build_musl ;;
uclibc) assemble_uclibc ;;
esac
rm -rf "$work"
echo "$stamp_text" >"$stamp"
echo "router-libc: $libc sysroot in $sysroot ($(($(date +%s) - started)) s)"
exec scripts/router-libraries.sh "$libc"
