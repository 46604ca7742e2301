# shellcheck shell=sh
# Sourced by the scripts that fetch from Debian's archive without changing the host.
# private_apt DIR [APT-GET ARGUMENTS...]: apt-get with its state, package lists, cache and
# preferences under DIR (made here); the host's apt state is read at most, never written.
private_apt() {
	private_apt_dir=$1
	shift
	mkdir -p "$private_apt_dir/lists/partial" "$private_apt_dir/archives/partial" \
		"$private_apt_dir/etc/preferences.d"
	[ -f "$private_apt_dir/status" ] || : >"$private_apt_dir/status"
	apt-get -o Dir::State="$private_apt_dir" -o Dir::State::Lists="$private_apt_dir/lists" \
		-o Dir::State::status="$private_apt_dir/status" -o Dir::Cache="$private_apt_dir" \
		-o Dir::Cache::archives="$private_apt_dir/archives" \
		-o Dir::Etc::Preferences="$private_apt_dir/etc/preferences" \
		-o Dir::Etc::PreferencesParts="$private_apt_dir/etc/preferences.d" \
		-o Debug::NoLocking=1 -o APT::Sandbox::User=root "$@"
}
