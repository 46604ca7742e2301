#!/bin/bash
# The virtual router's pid 1: builds the router's root, network and services,
# runs the boot command and reports what it left running. Started by vrouter
# inside fresh namespaces; everything it mounts or starts dies with them.
# shellcheck disable=SC2154 # the options are variables of the file vrouter writes ($1)
set -euo pipefail
# shellcheck source=/dev/null # written by vrouter for this run
source "$1"
# shellcheck source=sim/provider/wan-provider.sh
source "$(dirname "${BASH_SOURCE[0]}")/../provider/wan-provider.sh"
# shellcheck source=sim/common/standins.sh
source "$(dirname "${BASH_SOURCE[0]}")/../common/standins.sh"
# shellcheck source=sim/common/interfaces.sh
source "$(dirname "${BASH_SOURCE[0]}")/../common/interfaces.sh"
# shellcheck source=sim/common/settle.sh
source "$(dirname "${BASH_SOURCE[0]}")/../common/settle.sh"
# shellcheck source=sim/common/setting.sh
source "$(dirname "${BASH_SOURCE[0]}")/../common/setting.sh"

say() { [ "$verbose" = 0 ] || echo "vrouter: $*" >&2; }
die() { echo "vrouter: $*" >&2; exit 125; }

mapfile -t standins < <(standin_names "$(dirname "${BASH_SOURCE[0]}")/../common/standins")
# Applets left out: "sh" so that every shell goes through the logging /bin/sh.
busybox_skip=" sh "

root=$state/.run/root
inner=/.vrouter            # the harness's own corner of the router's root

bind_ro() { mount --bind "$1" "$2" && mount -o remount,bind,ro "$2"; }

make_root() {
	mount -t tmpfs -o mode=755 vrouter-root "$root"
	local d
	# The host's programs and libraries, read-only; merged-/usr links kept.
	for d in bin sbin lib lib32 lib64 libx32; do
		if [ -L "/$d" ]; then
			ln -s "$(readlink "/$d")" "$root/$d"
		elif [ -d "/$d" ]; then
			mkdir "$root/$d"; bind_ro "/$d" "$root/$d"
		fi
	done
	mkdir "$root/usr"; bind_ro /usr "$root/usr"
	# /etc: the host's, under a private upper layer that is the state's etc/.
	mkdir "$root/etc"
	mount -t overlay vrouter-etc -o "lowerdir=/etc,upperdir=$state/etc,workdir=$state/.run/etc-work" "$root/etc"
	for d in etc_ro var tmp media; do
		mkdir "$root/$d"; mount --bind "$state/$d" "$root/$d"
	done
	mkdir -p "$root/var/run" "$root/var/log" "$root/var/lock"
	for d in run root; do
		mkdir "$root/$d"; mount -t tmpfs -o mode=755 "vrouter-$d" "$root/$d"
	done
	mkdir "$root/sys"; mount -t sysfs -o ro sysfs "$root/sys"
	make_dev
	mkdir "$root/proc"
	for d in "${binds[@]}"; do
		case $d/ in
		/usr/*|/etc/*) continue ;; # the host's, visible already
		/etc_ro/*|/dev/*|/proc/*|/sys/*|/)
			die "--bind $d: inside the router's own trees" ;;
		esac
		# Under the router's private /tmp, /var, /media... (a build tree in /tmp, say)
		# the mount point is made in the run's state and the host path bound over it.
		if [ -d "$d" ]; then mkdir -p "$root$d"; else mkdir -p "$(dirname "$root$d")"; touch "$root$d"; fi
		bind_ro "$d" "$root$d"
	done
	make_inner
	wan_provider_prepare_root
}

make_dev() {
	mkdir "$root/dev"
	mount -t tmpfs -o mode=755 vrouter-dev "$root/dev"
	local n
	for n in null zero full random urandom tty net/tun; do
		[ -e "/dev/$n" ] || continue
		mkdir -p "$(dirname "$root/dev/$n")"; touch "$root/dev/$n"
		mount --bind "/dev/$n" "$root/dev/$n"
	done
	mkdir "$root/dev/pts" "$root/dev/shm"
	mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
	ln -s pts/ptmx "$root/dev/ptmx"
	mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
	ln -s /proc/self/fd "$root/dev/fd"
	ln -s /proc/self/fd/0 "$root/dev/stdin"
	ln -s /proc/self/fd/1 "$root/dev/stdout"
	ln -s /proc/self/fd/2 "$root/dev/stderr"
	[ -z "$dev_fixture" ] || cp -a "$dev_fixture/." "$root/dev/"
}

make_inner() {
	mkdir -p "$root$inner"/{log,bin,busybox,canned,tools,stage,state}
	mount --bind "$state" "$root$inner/state"
	bind_ro "$stage" "$root$inner/stage"
	mount --bind "$state/log" "$root$inner/log"
	[ -z "$canned" ] || bind_ro "$canned" "$root$inner/canned"
	# The /proc fixtures are used after the switch of root: keep them in reach.
	if [ -n "$proc_fixture$static_proc" ]; then
		mkdir "$root$inner/proc"
		bind_ro "$proc_fixture$static_proc" "$root$inner/proc"
		[ -z "$proc_fixture" ] || proc_fixture=$inner/proc
		[ -z "$static_proc" ] || static_proc=$inner/proc
	fi
	cp "$tools/shlog" "$tools/standin" "$tools/event" "$tools/gpio_shim.so" "$root$inner/tools/"
	local n
	for n in "${standins[@]}"; do
		ln -s ../tools/standin "$root$inner/bin/$n"
	done
	if [ "$web" = 1 ]; then
		# The platform's network script starts the router's web server: internet.sh is
		# recorded as a stand-in (under its own name), then starts the web front end.
		mkdir "$root$inner/bin/recorded"
		ln -s ../../tools/standin "$root$inner/bin/recorded/internet.sh"
		rm "$root$inner/bin/internet.sh"
		cp "$(dirname "${BASH_SOURCE[0]}")/../common/internet-web.sh" "$root$inner/bin/internet.sh"
	fi
	local applets
	applets=$(/bin/busybox --list)
	for n in $applets; do
		[[ $busybox_skip == *" $n "* ]] || ln -s /bin/busybox "$root$inner/busybox/$n"
	done
	sh_prelude "$applets" "${standins[@]}" > "$root$inner/sh-prelude"
}

# The router's interfaces (sim/common/interfaces.sh); eth2.2 up with the WAN test address.
make_network() {
	router_interfaces ip eth2.2p
	ip addr add 10.0.2.15/24 dev eth2.2
	ip link set eth2.2p up
	ip link set eth2.2 up
}

enter_root() {
	cd "$root"
	mkdir .old
	pivot_root . .old
	cd /
}

# Last step of the switch: needs /proc for umount, hence after make_proc.
drop_old_root() {
	umount -l /.old
	rmdir /.old
}

# Files bound over live /proc files. Paths through per-process links
# (/proc/net, /proc/mounts, /proc/self) cannot be covered for every reader,
# and files the kernel lacks (/proc/mtd) cannot be added: those need
# --static-proc.
bind_proc_fixture() {
	local f rel
	while IFS= read -r -d '' f; do
		rel=${f#"$proc_fixture"/}
		[ -f "/proc/$rel" ] || die "/proc/$rel does not exist here: use --static-proc"
		[ "$(readlink -f "/proc/$rel")" = "/proc/$rel" ] ||
			die "/proc/$rel is per process: use --static-proc"
		mount --bind "$f" "/proc/$rel"
	done < <(find "$proc_fixture" -type f -print0)
}

# A directory of the static /proc: fixture entries as files or directories,
# every other entry a link into the live /proc at the same logical path.
mirror_proc_dir() {
	local rel=$1 dir=/proc${1:+/$1} live=/proc/.live${1:+/$1} e name
	for e in "$live"/* ; do
		name=${e##*/}
		[ -e "$static_proc${rel:+/$rel}/$name" ] || ln -s "$live/$name" "$dir/$name"
	done
	for e in "$static_proc${rel:+/$rel}"/*; do
		[ -e "$e" ] || continue
		name=${e##*/}
		if [ -d "$e" ]; then
			mkdir "$dir/$name"
			mirror_proc_dir "${rel:+$rel/}$name"
		else
			cp "$e" "$dir/$name"
		fi
	done
}

make_proc() {
	if [ -n "$static_proc" ]; then
		mount -t tmpfs -o mode=755 vrouter-proc /proc
		mkdir /proc/.live
		mount -t proc proc /proc/.live
		mirror_proc_dir ""
		# LeakSanitizer lists a process's threads through /proc, which is frozen
		# here: sanitizer builds run without leak checks in this mode.
		export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
		return
	fi
	mount -t proc proc /proc
	# Host-wide kernel settings stay read-only; the network ones belong to
	# the router's own namespace. drop_caches writes land in the state.
	mount --bind /proc/sys /proc/sys
	mount --bind /proc/sys/net /proc/sys/net
	mount -o remount,bind,ro /proc/sys
	: > "$state/.run/drop_caches"
	mount --bind "$state/.run/drop_caches" /proc/sys/vm/drop_caches
	[ -z "$proc_fixture" ] || bind_proc_fixture
}

store_pid=""
start_store() {
	if [ "$nvram_daemon" = 1 ]; then
		if command -v nvram_daemon > /dev/null; then
			nvram_daemon > "$state/log/nvram_daemon.out" 2>&1 &
			store_pid=$!
			local i
			for ((i = 0; i < 100; i++)); do
				[ -e /var/run/nvramd.pid ] && break
				sleep 0.05
			done
			[ -e /var/run/nvramd.pid ] || echo "vrouter: nvram_daemon wrote no /var/run/nvramd.pid within 5 s" >&2
		else
			echo "vrouter: no nvram_daemon in the stage; running without the store" >&2
		fi
	fi
	local kv setting_section setting_key setting_value
	for kv in "${sets[@]}"; do
		setting_parse "$kv"
		nvram_set "$setting_section" "$setting_key" "$setting_value" > /dev/null ||
			die "nvram_set $setting_section $setting_key failed"
	done
}

# Processes other than pid 1 and the harness's store daemon, as "pid comm
# args" lines in the array "procs"; zombies left out. No subprocess is
# started here, so the listing sees only the router's own processes.
procs=()
list_processes() {
	local d pid stat rest comm args
	local procdir=/proc
	[ -z "$static_proc" ] || procdir=/proc/.live
	procs=()
	for d in "$procdir"/[0-9]*; do
		pid=${d##*/}
		if [ "$pid" = 1 ] || [ "$pid" = "$store_pid" ] || [ "$pid" = "$provider_dhcp_pid" ]; then continue; fi
		read -r stat 2> /dev/null < "$d/stat" || continue
		rest=${stat##*) }
		[ "${rest%% *}" != Z ] || continue
		comm=${stat#*(}; comm=${comm%)*}
		args=()
		mapfile -d '' args 2> /dev/null < "$d/cmdline" || true
		procs+=("$pid $comm ${args[*]}")
	done
}

# The names of the processes of "procs", one per line.
process_names() { local p; for p in "${procs[@]}"; do p=${p#* }; echo "${p%% *}"; done; }

now_us() { local t=$EPOCHREALTIME; echo $(( ${t/./} )); }

wait_for_leftovers() {
	local deadline
	deadline=$(( $(now_us) + $(awk -v w="$wait_seconds" 'BEGIN { printf "%d", w * 1000000 }') ))
	while :; do
		list_processes
		[ ${#procs[@]} -gt 0 ] || return 0
		[ "$(now_us)" -lt "$deadline" ] || return 0
		[ "$settle" = 0 ] || ! boot_settled "$(process_names)" "$state/log/sh.log" || return 0
		sleep 0.05
	done
}

make_root
make_network
hostname router
enter_root
state=$inner/state
make_proc
drop_old_root
mount --bind "$inner/tools/shlog" /bin/sh

export PATH="$inner/stage/bin:$inner/bin:$inner/busybox:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
export HOME=/root
# LED requests to /dev/gpio are recorded in log/gpio.log (sim/vrouter/gpio_shim.c); sanitized
# programs accept a preloaded library ahead of their run time.
export LD_PRELOAD=$inner/tools/gpio_shim.so \
	ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
start_store
[ "$wan_provider" = 0 ] || wan_provider_start
if [ -n "$setup" ]; then
	say "setup"
	PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH" bash -c "$setup" || die "--setup failed"
fi

say "boot: ${command[*]}"
"$inner/tools/event" boot "${command[@]}"
set +e
"${command[@]}"
status=$?
set -e
"$inner/tools/event" end "$status"
if [ "$wait_seconds" != 0 ]; then
	wait_for_leftovers
	"$inner/tools/event" waited
fi
wan_snapshot
list_processes
: > "$state/log/processes"
for p in "${procs[@]}"; do
	echo "$p" >> "$state/log/processes"
	[ "$wait_seconds" = 0 ] || echo "vrouter: still running: $p" >&2
done
if [ "$hold" = 1 ]; then
	# As pid 1 this shell gets only the signals it handles: these end the router.
	trap 'exit "$status"' INT TERM HUP
	: > "$state/log/held"
	while :; do sleep 1; done
fi
exit "$status"
