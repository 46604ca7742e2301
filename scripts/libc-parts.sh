# shellcheck shell=sh
# Sourced by scripts/router-libc.sh and scripts/uclibc-ng.sh, after scripts/private-apt.sh:
# what both take from Debian for the router's C libraries.
#   debian_lists DIR: package lists (mipsel and architecture all, and sources) of Debian's
#       archive, QAVO_DEBIAN_MIRROR if set, in the private apt state DIR
#   debian_debs DIR PACKAGES...: the packages' files into DIR/debs
#   debian_source DIR PACKAGE: a source package's files into DIR/src, not unpacked
#   copy_kernel_headers DIR: the cross toolchain's mipsel kernel headers (Debian's
#       linux-libc-dev) into DIR
# apt checks every file against the checksums of the signed index.
debian_lists() {
	mkdir -p "$1/etc/sources.list.d" "$1/debs" "$1/src"
	keyring=/usr/share/keyrings/debian-archive-keyring.gpg
	mirror=${QAVO_DEBIAN_MIRROR:-http://deb.debian.org/debian}
	codename=$(. /etc/os-release && echo "${VERSION_CODENAME:?}")
	cat >"$1/etc/sources.list" <<-EOF
		deb [signed-by=$keyring] $mirror $codename main
		deb-src [signed-by=$keyring] $mirror $codename main
	EOF
	debian_apt_in "$1" "$1" -q --error-on=any update
}
# debian_apt_in DIR WORKDIR APT-GET-ARGUMENTS...: apt-get for mipsel in WORKDIR.
debian_apt_in() {
	apt_state=$1
	shift
	(cd "$1" && shift && private_apt "$apt_state" -o Dir::Etc::SourceList="$apt_state/etc/sources.list" \
		-o Dir::Etc::SourceParts="$apt_state/etc/sources.list.d" \
		-o APT::Architecture=mipsel -o APT::Architectures::=mipsel "$@")
}
debian_debs() {
	apt_state=$1
	shift
	rm -f "$apt_state"/debs/*.deb && debian_apt_in "$apt_state" "$apt_state/debs" -q download "$@"
}
debian_source() {
	rm -rf "$1/src" && mkdir -p "$1/src" && debian_apt_in "$1" "$1/src" -q --download-only source "$2"
}
copy_kernel_headers() {
	mkdir -p "$1"
	for dir in linux asm asm-generic mtd; do
		cp -a "/usr/mipsel-linux-gnu/include/$dir" "$1/"
	done
}
