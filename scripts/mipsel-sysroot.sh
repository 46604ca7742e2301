#!/bin/sh
# Fetches Debian's mipsel builds of GoogleTest and libfuse3 (for the emulated board's
# "/dev/gpio" driver) and unpacks them into build/mipsel-sysroot (scripts/build-dirs.sh);
# scripts/router-libraries.sh then adds the libraries the router carries (libmosquitto
# without TLS, cJSON), built from Debian's sources. The C and C++ run
# time comes from the cross toolchain (/usr/mipsel-linux-gnu), linked in by name, so
# the sysroot is also the root that qemu-mipsel-static runs the tests in.
#
# The host is left untouched: apt runs with a private configuration, package lists
# and cache under the build tree, no foreign architecture is added to dpkg, and the
# packages are unpacked with dpkg-deb -x, never installed. Does nothing when the
# sysroot is complete for the current package list and those libraries are up to date.
set -eu
cd "$(dirname "$0")/.."
. scripts/build-dirs.sh
root=$mipsel_sysroot
apt_dir=$mipsel_apt
toolchain_lib=/usr/mipsel-linux-gnu/lib

packages="libgtest-dev libgmock-dev libfuse3-dev libfuse3-3"
stamp=$root/.packages

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$packages" ]; then
	exec scripts/router-libraries.sh mipsel
fi
[ -d "$toolchain_lib" ] || { echo "mipsel-sysroot: $toolchain_lib missing; run scripts/install-deps.sh" >&2; exit 1; }

. scripts/private-apt.sh
mkdir -p "$apt_dir/debs"
# The host's own sources, read but not changed; everything apt writes goes to $apt_dir.
set -- -o APT::Architecture=mipsel -o APT::Architectures::=mipsel
private_apt "$apt_dir" "$@" -qq update
# shellcheck disable=SC2086
(cd "$apt_dir/debs" && rm -f ./*.deb && private_apt "$apt_dir" "$@" -qq download $packages)

rm -rf "$root"
mkdir -p "$root/lib"
for deb in "$apt_dir"/debs/*.deb; do
	dpkg-deb -x "$deb" "$root"
done
# The packages' absolute links (libfuse3.so -> /lib/...) point into the host; made
# relative, they resolve inside the sysroot wherever it lies.
find "$root" -type l -lname '/*' | while read -r link; do
	up=$(dirname "${link#"$root"/}" | sed 's|[^/][^/]*|..|g')
	ln -sfn "$up$(readlink "$link")" "$link"
done
# The dynamic loader and the C/C++ run time the cross compiler links against.
for lib in "$toolchain_lib"/ld.so.1 "$toolchain_lib"/*.so.[0-9]*; do
	ln -sfn "$lib" "$root/lib/$(basename "$lib")"
done
echo "$packages" >"$stamp"
# shellcheck disable=SC2012 # only counted; the names are package files
echo "mipsel-sysroot: unpacked $(ls "$apt_dir/debs" | wc -l) packages into $root"
exec scripts/router-libraries.sh mipsel
