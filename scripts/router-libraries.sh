#!/bin/sh
# router-libraries.sh host|mipsel|uclibc|musl [--check]
# Builds the two libraries the router carries beside its own from Debian's source
# packages, at the versions of the installed packages:
#   - libmosquitto, the MQTT client library, from `mosquitto` (the broker's package):
#     only the library (its lib/ directory with the headers and build settings it
#     includes), with TLS, SOCKS, SRV lookups, websockets and Unix sockets off and
#     threading on (mosquitto_loop_start);
#   - libcjson from `cjson`: cJSON.c alone, exporting only its public functions.
# The host build links the same libraries as the router build, so the programs measured
# and tested on the host are the ones the router gets.
#
#   host:   Debian's usual build flags, into build/router-libs/host (include/, lib/,
#           lib/pkgconfig/*.pc written relative to themselves)
#   mipsel: -Os for the router's MIPS32r2 in MIPS16e, the compressed instruction set of
#           its 24KEc core (libmosquitto 70 KiB -> 52 KiB; neither library is on a hot
#           path), into build/router-libs/mipsel and then into the sysroot
#           (build/mipsel-sysroot/usr) that scripts/mipsel-sysroot.sh made
#   uclibc, musl: as mipsel, against the C library of that name, into the sysroot that
#           scripts/router-libc.sh made (build/router-libc/NAME/sysroot); uclibc soft-float
#
# The sources come through `apt-get source` with a private configuration: a deb-src
# list, package lists and cache under the build tree, the host's apt state untouched.
# apt checks the files against the checksums of the signed index, dpkg-source against
# those the .dsc names. The archive is deb.debian.org unless QAVO_DEBIAN_MIRROR and
# QAVO_DEBIAN_SECURITY_MIRROR name others. Does nothing when both libraries are built
# for the current package versions and this script. A failed step stops with its name.
# With --check it fetches and builds nothing: it prints where the libraries are when they
# are up to date, and fails naming the command to run otherwise (CMake's configure step
# asks it so).
set -eu
cd "$(dirname "$0")/.."
. scripts/private-apt.sh
. scripts/build-dirs.sh
target=${1:-}
check=${2:-}
usage="usage: $0 host|mipsel|uclibc|musl [--check]"
case $target in host | mipsel | uclibc | musl) ;; *) echo "$usage" >&2; exit 2 ;; esac
case $check in "" | --check) ;; *) echo "$usage" >&2; exit 2 ;; esac

top=$router_libs_dir
apt_dir=$top/apt
src_dir=$top/src
out=$top/$target
work=$top/work-$target
log=$top/$target.log
sysroot=$mipsel_sysroot
case $target in uclibc | musl) sysroot=$router_libc_dir/$target/sysroot ;; esac

script_name=router-libraries
. scripts/steps.sh
source_version() {
	dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null ||
		fail "package $1 is not installed; run scripts/install-deps.sh"
}
upstream_of() {
	v=${1#*:}
	echo "${v%-*}"
}

mosquitto_version=$(source_version mosquitto)
cjson_version=$(source_version libcjson1)
stamp_text="mosquitto $mosquitto_version cjson $cjson_version $(sha256sum "$0" | cut -d' ' -f1)"
installed_stamp=$out/.built
[ "$target" = host ] || installed_stamp=$sysroot/usr/.router-libs
if [ -f "$installed_stamp" ] && [ "$(cat "$installed_stamp")" = "$stamp_text" ]; then
	[ -z "$check" ] || echo "$out"
	exit 0
fi
[ -z "$check" ] || fail "libmosquitto and cJSON for $target are missing or out of date in $out: run scripts/router-libraries.sh $target"
mkdir -p "$top"
: >"$log"

# fetch_sources PACKAGE=VERSION...: the source packages, unpacked under $src_dir, from a
# deb-src list of our own.
fetch_sources() {
	mkdir -p "$apt_dir/etc/sources.list.d"
	mirror=${QAVO_DEBIAN_MIRROR:-http://deb.debian.org/debian}
	security=${QAVO_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
	keyring=/usr/share/keyrings/debian-archive-keyring.gpg
	codename=$(. /etc/os-release && echo "${VERSION_CODENAME:?}")
	cat >"$apt_dir/etc/sources.list" <<-EOF
		deb-src [signed-by=$keyring] $mirror $codename main
		deb-src [signed-by=$keyring] $mirror $codename-updates main
		deb-src [signed-by=$keyring] $security $codename-security main
	EOF
	wanted="$*"
	set -- -o Dir::Etc::SourceList="$apt_dir/etc/sources.list" \
		-o Dir::Etc::SourceParts="$apt_dir/etc/sources.list.d"
	private_apt "$apt_dir" "$@" -q --error-on=any update
	rm -rf "$src_dir" && mkdir -p "$src_dir"
	# shellcheck disable=SC2086
	(cd "$src_dir" && private_apt "$apt_dir" "$@" -q source $wanted)
}
mosquitto_tree=$src_dir/mosquitto-$(upstream_of "$mosquitto_version")
cjson_tree=$src_dir/cjson-$(upstream_of "$cjson_version")
sources="mosquitto=$mosquitto_version cjson=$cjson_version"
if [ ! -f "$src_dir/.fetched" ] || [ "$(cat "$src_dir/.fetched")" != "$sources" ]; then
	command -v dpkg-source >/dev/null || fail "dpkg-source missing; run scripts/install-deps.sh"
	# shellcheck disable=SC2086 # one argument per package
	step "fetch Debian's source packages $sources" fetch_sources $sources
	{ [ -f "$mosquitto_tree/lib/Makefile" ] && [ -f "$cjson_tree/cJSON.c" ]; } ||
		fail "step 'unpack the sources' failed: no $mosquitto_tree/lib/Makefile or $cjson_tree/cJSON.c"
	# Only the client library is ours to build: the command-line clients, the other
	# programs and the broker leave the tree unread.
	rm -rf "$mosquitto_tree/client" "$mosquitto_tree/apps" "$mosquitto_tree/src"
	echo "$sources" >"$src_dir/.fetched"
fi

if [ "$target" != host ]; then
	command -v mipsel-linux-gnu-gcc >/dev/null || fail "mipsel-linux-gnu-gcc missing; run scripts/install-deps.sh"
	[ -d "$sysroot/usr" ] || fail "no sysroot at $sysroot; run scripts/mipsel-sysroot.sh or scripts/router-libc.sh"
	cc=mipsel-linux-gnu-gcc
	[ "$target" = mipsel ] || cc="$cc -specs=$sysroot/gcc.specs"
	cflags="-Os -march=mips32r2 -mips16 -minterlink-compressed -ffunction-sections -fdata-sections -Wall"
	ldflags="-Wl,--gc-sections -Wl,--as-needed -Wl,-O1 -Wl,--no-undefined"
else
	cc=${CC:-cc}
	cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS) -Wall"
	ldflags="$(dpkg-buildflags --get LDFLAGS) -Wl,--as-needed -Wl,--no-undefined"
fi

# Only the library's directory, its headers, the bundled list macros and the build
# settings are copied into the work tree; make runs there.
copy_sources() {
	rm -rf "$work" && mkdir -p "$work/cjson"
	cp -a "$mosquitto_tree/lib" "$mosquitto_tree/include" "$mosquitto_tree/deps" \
		"$mosquitto_tree/config.h" "$mosquitto_tree/config.mk" "$work/"
	cp -a "$cjson_tree/cJSON.c" "$cjson_tree/cJSON.h" "$work/cjson/"
}
build_mosquitto() {
	make -C "$work/lib" -j2 libmosquitto.so.1 CC="$cc" CROSS_COMPILE= \
		CFLAGS="$cflags" LDFLAGS="$ldflags" \
		WITH_TLS=no WITH_TLS_PSK=no WITH_SOCKS=no WITH_SRV=no WITH_WEBSOCKETS=no \
		WITH_UNIX_SOCKETS=no WITH_EC=no WITH_CJSON=no WITH_THREADING=yes \
		WITH_SHARED_LIBRARIES=yes WITH_STATIC_LIBRARIES=no WITH_DOCS=no
}
build_cjson() {
	# shellcheck disable=SC2086
	(cd "$work/cjson" && $cc -std=c89 $cflags -fPIC -fvisibility=hidden -DCJSON_API_VISIBILITY \
		-shared $ldflags -Wl,-soname,libcjson.so.1 -o libcjson.so.1 cJSON.c)
}
# Neither library may bring TLS (or anything beyond the C library) to the router.
check_needs() {
	for lib in "$work/lib/libmosquitto.so.1" "$work/cjson/libcjson.so.1"; do
		needs=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
		echo "$(basename "$lib") needs: $needs"
		case $needs in *libssl* | *libcrypto*) return 1 ;; esac
	done
}

# install_into PREFIX LIBDIR PC_PREFIX: headers, the libraries (symbols kept: the
# project's install step strips them), link names and pkg-config modules.
install_into() {
	prefix=$1 libdir=$2 pc_prefix=$3
	rel_libdir=${libdir#"$prefix"}
	mkdir -p "$prefix/include/cjson" "$libdir/pkgconfig"
	cp "$work/include/mosquitto.h" "$work/include/mqtt_protocol.h" "$prefix/include/"
	cp "$work/cjson/cJSON.h" "$prefix/include/cjson/"
	rm -f "$libdir"/libmosquitto.so* "$libdir"/libcjson.so*
	cp "$work/lib/libmosquitto.so.1" "$work/cjson/libcjson.so.1" "$libdir/"
	ln -s libmosquitto.so.1 "$libdir/libmosquitto.so"
	ln -s libcjson.so.1 "$libdir/libcjson.so"
	cat >"$libdir/pkgconfig/libmosquitto.pc" <<-EOF
		# libmosquitto $mosquitto_version without TLS, built by scripts/router-libraries.sh
		prefix=$pc_prefix
		includedir=\${prefix}/include
		libdir=\${prefix}$rel_libdir

		Name: mosquitto
		Description: MQTT client library (C), without TLS
		Version: $(upstream_of "$mosquitto_version")
		Cflags: -I\${includedir}
		Libs: -L\${libdir} -lmosquitto
	EOF
	cat >"$libdir/pkgconfig/libcjson.pc" <<-EOF
		# cJSON $cjson_version, built by scripts/router-libraries.sh
		prefix=$pc_prefix
		includedir=\${prefix}/include
		libdir=\${prefix}$rel_libdir

		Name: libcjson
		Description: JSON parser in ANSI C
		Version: $(upstream_of "$cjson_version")
		Cflags: -I\${includedir} -I\${includedir}/cjson
		Libs: -L\${libdir} -lcjson
	EOF
}

step "copy the libraries' sources" copy_sources
step "build libmosquitto.so.1 ($target)" build_mosquitto
step "build libcjson.so.1 ($target)" build_cjson
step "check what the libraries need" check_needs
step "install into $out" install_into "$out" "$out/lib" "\${pcfiledir}/../.."
echo "$stamp_text" >"$out/.built"
if [ "$target" != host ]; then
	step "install into the sysroot $sysroot" install_into "$sysroot/usr" \
		"$sysroot/usr/lib/mipsel-linux-gnu" /usr
	echo "$stamp_text" >"$installed_stamp"
fi
echo "router-libraries: $sources built for $target into $out:" \
	"libmosquitto.so.1 $(stat -c %s "$out/lib/libmosquitto.so.1") bytes," \
	"libcjson.so.1 $(stat -c %s "$out/lib/libcjson.so.1") bytes (unstripped)"
