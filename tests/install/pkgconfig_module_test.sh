#!/bin/sh
# pkgconfig_module_test.sh BUILD_DIR PREFIX "CC CFLAGS" "LDFLAGS" [EMULATOR...]
# Installs BUILD_DIR into PREFIX, checks the router's file tree, compiles every public
# header alone as C, checks that no program or library needs a C++ runtime or a TLS
# library and that the tree carries every other library they need beyond the C
# library, builds module_example.c with nothing but
# `pkg-config --cflags --libs qavo` from the installed tree, and runs it (through
# EMULATOR when given, for a cross build).
# REQUIRED_FILES (environment): paths, relative to PREFIX, that must be installed.
set -eu
[ $# -ge 4 ] || { echo "usage: $0 BUILD_DIR PREFIX CC LDFLAGS [EMULATOR...]" >&2; exit 2; }
build=$1 prefix=$2 cc=$3 ldflags=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in ${REQUIRED_FILES:-}; do
	[ -e "$prefix/$f" ] || fail "install tree lacks $f"
done

# The router has no room for a C++ runtime or TLS libraries (libssl and libcrypto are
# bigger than its flash): nothing we ship may need one. Beyond the C library, every
# library a file needs is in the tree. Links out of the tree (qv_broker, the platform's
# broker) are not the tree's files.
c_library='libc.so.6 libm.so.6 libpthread.so.0 librt.so.1 libdl.so.2 libresolv.so.2 ld.so.1 ld-linux-x86-64.so.2'
for f in "$prefix"/bin/* "$prefix"/lib/*.so*; do
	{ [ -f "$f" ] && [ ! -L "$f" ]; } || continue
	needs=$(readelf -d "$f" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
	for lib in $needs; do
		case $lib in
		libstdc++* | libgcc_s*) fail "$f needs a C++ runtime: $lib" ;;
		libssl* | libcrypto*) fail "$f needs a TLS library: $lib" ;;
		esac
		case " $c_library " in *" $lib "*) continue ;; esac
		# A sanitizer build's own run time, which no router build links.
		case $lib in libasan.so.* | libubsan.so.* | liblsan.so.* | libtsan.so.*) continue ;; esac
		[ -f "$prefix/lib/$lib" ] || fail "$f needs $lib, which the tree does not carry"
	done
done

# Only the installed tree may answer: no other .pc files, no sysroot prefixing.
PKG_CONFIG_LIBDIR=$(dirname "$(find "$prefix" -name qavo.pc)")
export PKG_CONFIG_LIBDIR
unset PKG_CONFIG_PATH PKG_CONFIG_SYSROOT_DIR
cflags=$(pkg-config --cflags qavo)
libs=$(pkg-config --libs qavo)

work=$(dirname "$prefix")/pkgconfig-module
rm -rf "$work" && mkdir -p "$work"
headers=$(cd "$prefix/include" && find . -name '*.h' | sed 's|^\./||' | sort)
[ -n "$headers" ] || fail "no public headers installed"
for h in $headers; do
	printf '#include <%s>\nint header_compiled;\n' "$h" >"$work/one_header.c"
	# shellcheck disable=SC2086
	$cc -std=c99 -pedantic -Wall -Wextra -Werror -fsyntax-only $cflags "$work/one_header.c" ||
		fail "public header $h does not compile alone as C"
done

# shellcheck disable=SC2086
$cc -std=c99 -Wall -Wextra -Werror $cflags -o "$work/module_example" "$here/module_example.c" \
	$ldflags $libs -Wl,-rpath,"$(pkg-config --variable=libdir qavo)" ||
	fail "module_example does not build with pkg-config --cflags --libs qavo"
out=$("$@" "$work/module_example") || fail "module_example failed: $out"
[ "$out" = "module ran" ] || fail "module_example printed '$out'"
echo "installed tree: $(find "$prefix" -type f | wc -l) files; module built with: $cflags $libs"
