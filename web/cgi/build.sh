#!/bin/sh
# build.sh PREFIX OUT "CC CFLAGS" "LDFLAGS" [STRIP]
# Builds the web front end's CGI program the way any outside module is built: against the
# installed tree PREFIX with nothing but `pkg-config --cflags --libs qavo` from its qavo.pc.
# On the router the program lies in /etc_ro/web/cgi-bin and the libraries in /lib.
set -eu
[ $# -ge 4 ] || { echo "usage: $0 PREFIX OUT CC LDFLAGS [STRIP]" >&2; exit 2; }
prefix=$1 out=$2 cc=$3 ldflags=$4 strip=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_LIBDIR
unset PKG_CONFIG_PATH PKG_CONFIG_SYSROOT_DIR
cflags=$(pkg-config --cflags qavo)
libs=$(pkg-config --libs qavo)
mkdir -p "$(dirname "$out")"
# Compiler and flags are lists of words; $ORIGIN is the loader's, not the shell's.
# shellcheck disable=SC2086,SC2016
$cc -std=c99 -Wall -Wextra -Werror $cflags -o "$out" "$here/qavo_cgi.c" "$here/form.c" \
	$ldflags $libs -Wl,-rpath-link,"$prefix/lib" -Wl,-rpath,'$ORIGIN/../../../lib'
[ -z "$strip" ] || "$strip" "$out"
