#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted loop runs in the virtual router's shell
# Footprint of what the router carries. A benchmark: prints figures, never fails on them.
#
#   bench/footprint.sh
#
# 1. The mipsel release build (preset "mipsel"), installed stripped into
#    build/mipsel/image: the size of every program and library, what each needs at run
#    time (readelf NEEDED), and which functions use the FPU (the MT7620 has none; the
#    kernel emulates it). Targets: our programs, our library and any C++ run time they
#    need together at most 256 KiB (files marked "tree only" not counted: the
#    configuration store stand-ins, which the platform's own replace, the example setting
#    module qavo_sub, the messaging tools and the libraries from Debian's sources); the
#    whole router tree beyond the C library (every program and library, libnvram,
#    libmosquitto and libcjson included, and etc_ro; not include/ and lib/pkgconfig/,
#    which only build setting modules) at most 320 KiB.
# 2. The same tree with its C library, per C library: glibc (preset mipsel), uClibc-ng
#    (preset router, soft-float, what the router runs) and musl (preset musl), stripped.
#    Target: the whole tree on uClibc-ng, its C library included, at most 1 MiB.
# 3. The host build (preset "default"): the peak resident memory (VmHWM) of each program
#    for a typical run in the virtual router. Single runs (each tool command, a store
#    read, and baselines) go through bench/peak_launch, which reads the program's own
#    figures at its exit with nothing loaded into it; the boot on the factory defaults
#    (every program it starts) through the preloaded probe bench/peak_rss.c, whose own
#    cost shows as the difference between its and the launcher's baseline rows.
#    Baselines: /usr/bin/true (libc start-up and exit only) and bench_peak_floor (what any
#    C tool using stdio, formatted output and a file read costs in libc pages). Besides
#    VmHWM the private part (RssAnon at exit) is printed: the rest is pages of program and
#    library files, shared with every process that maps them.
#    Target: at most 1.5 MiB for a tool run. Needs root; skipped otherwise.
# 4. The emulated board, per C library: each tool run and a hello world built the same
#    way, the difference of each to the hello world and where its pages are (smaps by
#    mapping), initqavo's boot run, and one request/response exchange as a whole process,
#    qavo_webreq against Debian's mosquitto_rr. Targets: every tool run within 64 KiB of
#    the hello world, initqavo at most 1 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/build-dirs.sh
# shellcheck source=sim/common/report.sh
. sim/common/report.sh
ours="initqavo ombix_networkconfig ombix_usbconfig libqavo.so"
budget_kib=256
tree_budget_kib=320
rss_target_kib=1536

echo "== Router build (mipsel, -Os, stripped)"
scripts/mipsel-sysroot.sh
cmake --preset mipsel >/dev/null
cmake --build --preset mipsel -j2 >/dev/null
image=$mipsel_build/image
symbols=$mipsel_build/image-symbols
rm -rf "$image" "$symbols"
cmake --install "$mipsel_build" --prefix "$image" --strip >/dev/null
cmake --install "$mipsel_build" --prefix "$symbols" >/dev/null

# Functions (by name, from the unstripped copy) holding FPU instructions.
fpu_functions() { scripts/float-abi-check.sh --functions "$1"; }
needs() { mipsel-linux-gnu-readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' '; }

counted=0
tree=0
cxx_runtime=""
for file in $(cd "$image" && find . -type f ! -path './include/*' ! -path './lib/pkgconfig/*'); do
	tree=$((tree + $(stat -c %s "$image/$file")))
done
printf '%-34s %9s  %-44s %s\n' file bytes needs "FPU used in"
for file in $(cd "$image" && find . -type f | sed 's|^\./||' | sort); do
	head -c 4 "$image/$file" | grep -q ELF || continue
	bytes=$(stat -c %s "$image/$file")
	need=$(needs "$image/$file")
	fpu=$(fpu_functions "$symbols/$file")
	base=$(basename "$file")
	mark="  (tree only)"
	for o in $ours; do
		case $base in "$o" | "$o".*) mark=""; counted=$((counted + bytes)) ;; esac
	done
	for lib in $need; do
		case $lib in libstdc++* | libgcc_s*) [ -n "$mark" ] || cxx_runtime="$cxx_runtime $lib" ;; esac
	done
	printf '%-34s %9d  %-44s %s%s\n' "$file" "$bytes" "${need:--}" "${fpu:--}" "$mark"
done
cxx_bytes=0
for lib in $(echo "$cxx_runtime" | tr ' ' '\n' | sort -u); do
	real=$(readlink -f "/usr/mipsel-linux-gnu/lib/$lib")
	stripped=$(mktemp)
	mipsel-linux-gnu-strip -o "$stripped" "$real"
	size=$(stat -c %s "$stripped")
	rm -f "$stripped"
	echo "C++ run time needed by our files: $lib, $size bytes stripped"
	cxx_bytes=$((cxx_bytes + size))
done
[ -n "$cxx_runtime" ] || echo "C++ run time needed by our files: none (no libstdc++, no libgcc_s)"
total=$((counted + cxx_bytes))
awk -v t="$total" -v b="$budget_kib" 'BEGIN {
	printf "counted (%s + C++ run time): %d bytes = %.1f KiB; target <= %d KiB: %s\n",
		"our programs and libqavo", t, t / 1024, b, (t <= b * 1024 ? "met" : "NOT met")
}' | sed "s/%s/$ours/"
awk -v t="$tree" -v b="$tree_budget_kib" 'BEGIN {
	printf "whole router tree beyond the C library (bin/, lib/ but pkgconfig/, etc_ro/): %d bytes = %.1f KiB; target <= %d KiB: %s\n",
		t, t / 1024, b, (t <= b * 1024 ? "met" : "NOT met")
}'

echo
echo "== The router tree with its C library, per C library (stripped; bin/, lib/ but pkgconfig/, etc_ro/)"
# glibc (preset mipsel): the tree above and the C library files it needs from the
# toolchain, stripped. uClibc-ng (preset router, soft-float: what the router runs) and
# musl (preset musl): the tree carries its C library. Target: uClibc-ng's whole tree at
# most 1 MiB.
tree_bytes() {
	(cd "$1" && find . -type f ! -path './include/*' ! -path './lib/pkgconfig/*' -printf '%s\n') |
		awk '{ s += $1 } END { print s + 0 }'
}
glibc_bytes() {
	size=0
	for lib in ld.so.1 $(find "$1" -type f -exec mipsel-linux-gnu-readelf -d {} + 2>/dev/null |
		sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
		[ -e "$1/lib/$lib" ] && continue
		stripped=$(mktemp)
		mipsel-linux-gnu-strip -o "$stripped" "$(readlink -f "/usr/mipsel-linux-gnu/lib/$lib")"
		size=$((size + $(stat -c %s "$stripped")))
		rm -f "$stripped"
	done
	echo "$size"
}
printf '%-22s %10s %10s %10s\n' "C library" "our tree" "C library" whole
row() {
	awk -v n="$1" -v t="$2" -v c="$3" -v target="$4" 'BEGIN {
		printf "%-22s %10d %10d %10d  = %.1f KiB", n, t, c, t + c, (t + c) / 1024
		if (target) printf "; target <= %d KiB: %s", target, (t + c <= target * 1024 ? "met" : "NOT met")
		printf "\n"
	}'
}
row "glibc (hard-float)" "$tree" "$(glibc_bytes "$image")" ""
for preset in router musl; do
	libc=uclibc name="uClibc-ng (soft-float)" target=1024
	[ "$preset" = router ] || libc=musl name="musl (hard-float)" target=""
	if ! { scripts/router-libc.sh "$libc" && cmake --preset "$preset" && cmake --build --preset "$preset" -j2; } \
		>"$build_root/footprint-$preset.log" 2>&1; then
		echo "$name: not built (see $build_root/footprint-$preset.log)"
		continue
	fi
	libc_image=$build_root/$preset/image
	rm -rf "$libc_image"
	cmake --install "$build_root/$preset" --prefix "$libc_image" --strip >/dev/null
	whole=$(tree_bytes "$libc_image")
	libc_files=$(find "$libc_image/lib" -maxdepth 1 -type f \( -name 'ld-*' -o -name 'libc.so*' \) -printf '%s\n' |
		awk '{ s += $1 } END { print s + 0 }')
	row "$name" $((whole - libc_files)) "$libc_files" "$target"
done

echo
echo "== Peak resident memory on the host (KiB), runs in the virtual router"
if [ "$(id -u)" != 0 ]; then
	echo "skipped: the virtual router needs root"
	exit 0
fi
cmake --build --preset default -j2 >/dev/null
stage=$host_build/stage
cmake --install "$host_build" --prefix "$stage" >/dev/null
bench=$host_build/bench
preload=$bench/libbench_peak_rss.so
state=$(mktemp -d /tmp/footprint.XXXXXX)
trap 'rm -rf "$state"' EXIT
# Lines "<run> <probe|launcher> <VmHWM> <RssAnon> <program> <args> [<launcher: min-max>]".
in_router() {
	local name=$1
	shift
	# Without the router's GPIO recording shim (about 28 KiB of a run's peak): only our programs count.
	sim/vrouter/vrouter --stage "$stage" --state "$state/$name" --bind "$bench" --wait 10 -- env -u LD_PRELOAD "$@" \
		>/dev/null 2>&1 || true
}
probed() {
	local name=$1
	shift
	in_router "$name" env LD_PRELOAD="$preload" QAVO_PEAK_RSS_LOG=/tmp/peak-rss.log "$@"
	find "$state/$name" -name peak-rss.log -exec cat {} + 2>/dev/null | awk -v run="$name" '{ print run, "probe", $0 }'
}
# The C library lands at a random address on every run and is mapped 64 KiB around each
# first use, so one run's figure moves by about 100 KiB: the launcher runs the command
# $runs times in one router and the row is the median (spread in the last column).
runs=9
launched() {
	local name=$1
	shift
	in_router "$name" sh -c 'for i in $(seq '"$runs"'); do "$@" 2>>/tmp/peak-launch.log >/dev/null; done' \
		sh "$bench/bench_peak_launch" "$@"
	{ find "$state/$name" -name peak-launch.log -exec grep -h '^[0-9]' {} + 2>/dev/null || true; } | sort -n | awk -v run="$name" '
		{ line[NR] = $0 }
		END { if (NR) { split(line[1], low, " "); split(line[NR], high, " ")
			print run, "launcher", line[int((NR + 1) / 2)], low[1] "-" high[1] } }'
}
{
	probed boot initqavo
	probed baseline /usr/bin/true
	# The stage as the router sees it: a program not built yet gives no row (a stand-in of
	# the same name would answer through PATH).
	bin=/.vrouter/stage/bin
	launched initlan $bin/ombix_networkconfig mtk7620 initlan
	launched routinginit $bin/ombix_networkconfig mtk7620 routinginit
	launched initwan $bin/ombix_networkconfig mtk7620 initwan
	launched usbinit $bin/ombix_usbconfig mtk7620 init
	launched usbmount $bin/ombix_usbconfig mtk7620 doMount
	launched get $bin/nvram_get 2860 lan_ipaddr
	launched baseline /usr/bin/true
	launched floor "$bench/bench_peak_floor"
} >"$state/figures"
# Programs from the stage (stand-ins of the same name live elsewhere), and the baselines.
printf '%-12s %-8s %7s %7s  %s\n' run how VmHWM private program
awk -v target="$rss_target_kib" -v runs="$runs" '
	$5 ~ /^\/.vrouter\/stage\/bin\// || $1 == "baseline" || $1 == "floor" {
		how = $2; program = $5; sub(/.*\//, "", program)
		last = how == "launcher" ? NF - 1 : NF
		args = program; for (i = 6; i <= last; i++) args = args " " $i
		if (how == "launcher") args = args "  (median of " runs ", " $NF ")"
		printf "%-12s %-8s %7d %7d  %s\n", $1, how, $3, $4, args
		if (program ~ /^ombix_/ && how == "launcher" && $3 > worst) worst = $3
		if ($1 == "baseline") base[how] = $3
	}
	END {
		printf "probe cost (baseline through the probe - through the launcher): %d KiB\n", base["probe"] - base["launcher"]
		printf "largest tool run (median): %d KiB; target <= %d KiB: %s\n", worst, target,
			(worst <= target ? "met" : "NOT met")
	}' "$state/figures"

echo
echo "== Peak resident memory on the emulated board (KiB), per C library"
# The router build booted on the emulated MIPS board (scenario usb-stick, so that doMount
# mounts), per C library: glibc (preset mipsel), uClibc-ng (preset router, what the router
# loads) and musl (preset musl); QAVO_FIRMWARE_BUILD of scripts/emulated-router.sh. Once
# the boot has settled the board runs $board_runs (sim/board-host/emulated-router --run): each tool
# command and the hello world built the same way (bench/peak_floor.c, the firmware
# build's peak_floor) $board_rounds times under bench/peak_launch, the median of each against the
# hello world's; the last run's /proc/PID/smaps at exit summed by mapping. initqavo's
# whole run is the boot's own, read by the preloaded probe (--peak-memory), against the
# hello world through the same probe. Then one request/response exchange as a whole
# process, qavo_webreq against Debian's mosquitto_rr (hyperfine, medians): most of
# qavo_webreq's time is its 20 ms of quiet on the module's topics before it sends.
# Targets: every tool run within 64 KiB of the hello world; initqavo at most 1 MiB.
board_runs=$state/board-runs.sh
board_rounds=15
{
	echo "runs=$board_rounds"
	cat <<'RUNS'
# launch NAME COMMAND...: "peak NAME VmHWM RssAnon COMMAND" per run, then the last run's
# smaps at exit by mapping: "smaps NAME MAPPING PERMISSIONS Rss Private_Dirty".
launch() {
	name=$1
	shift
	i=0
	while [ $i -lt $runs ]; do
		/.vrouter/peak_launch --smaps /tmp/smaps "$@" >/dev/null 2>/tmp/launch.err
		grep '^[0-9]' /tmp/launch.err | sed "s/^/peak $name /"
		i=$((i + 1))
	done
	awk -v name="$name" '
		/^[0-9a-f]+-[0-9a-f]+ / { key = ($6 == "" ? "[anon]" : $6) " " $2 }
		/^Rss:/ { rss[key] += $2 }
		/^Private_Dirty:/ { dirty[key] += $2 }
		END { for (key in rss) if (rss[key]) print "smaps", name, key, rss[key], dirty[key] }' /tmp/smaps
}
launch initlan ombix_networkconfig mtk7620 initlan
launch routinginit ombix_networkconfig mtk7620 routinginit
launch initwan ombix_networkconfig mtk7620 initwan
launch usbinit ombix_usbconfig mtk7620 init
launch usbmount ombix_usbconfig mtk7620 doMount
launch get nvram_get 2860 lan_ipaddr
launch floor /.vrouter/peak_floor
i=0
while [ $i -lt $runs ]; do
	LD_PRELOAD=/.vrouter/libpeak_rss.so QAVO_PEAK_RSS_LOG=/tmp/probe.log /.vrouter/peak_floor >/dev/null
	i=$((i + 1))
done
sed 's/^/probe floor /' /tmp/probe.log
hyperfine -N --warmup 5 --runs 40 --export-json /tmp/exchange.json "qavo_webreq echo ping" \
	"mosquitto_rr -h 127.0.0.1 -t pelvanto/router/echo -e pelvanto/router/echo/R -m ping" >/dev/null 2>&1
grep -E '"(command|median)":' /tmp/exchange.json | sed 's/^/exchange /'
RUNS
} >"$board_runs"
for firmware in mipsel router musl; do
	case $firmware in mipsel) label=glibc ;; router) label=uClibc-ng ;; musl) label=musl ;; esac
	board=$state/emulated-$firmware
	if [ ! -f "$build_root/$firmware/peak_floor" ] ||
		! QAVO_FIRMWARE_BUILD=$build_root/$firmware scripts/emulated-router.sh >"$state/emulated-image.log" 2>&1 ||
		! sim/board-host/emulated-router --scenario usb-stick --peak-memory --run "$board_runs" --timeout 900 --out "$board" \
			>"$state/emulated-report" 2>&1; then
		echo "-- $label: skipped, the emulated router did not boot (see scripts/emulated-router.sh, sim/board-host/emulated-router)"
		continue
	fi
	echo "-- on $label ($build_root/$firmware)"
	report=$(cat "$state/emulated-report")
	{
		report_section "$report" "output of the run's commands"
		report_section "$report" 'peak memory' | awk '$3 ~ /\/initqavo$/ { print "probe initqavo", $0 }'
	} >"$state/board"
	awk -v runs="$board_rounds" '
		# What a mapping of a run is: the columns of the by-mapping table.
		function kind(path,   base) {
			base = path; sub(/.*\//, "", base)
			if (base ~ /^libqavo\.so/) return "libqavo"
			if (base ~ /^libnvram\.so/) return "libnvram"
			if (base ~ /^libmosquitto\.so/) return "libmosquitto"
			if (base ~ /^libcjson\.so/) return "libcjson"
			if (base ~ /^(ld-|ld\.so|libc\.so|libc-)/) return "libc"
			if (path == "[heap]" || path == "[stack]" || path == "[anon]") return substr(path, 2, length(path) - 2)
			return path ~ /^\// ? "program" : "other"
		}
		# The median of a list of figures; low and high are its ends.
		function median(list,   n, i, j, t, v) {
			n = split(list, v, " ")
			for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
			low = v[1]; high = v[n]
			return n ? v[int((n + 1) / 2)] : 0
		}
		$1 == "peak" { figures[$2] = figures[$2] " " $3; anon[$2] = $4
			command = $5; sub(/.*\//, "", command); for (i = 6; i <= NF; i++) command = command " " $i; what[$2] = command }
		$1 == "probe" { probed[$2] = probed[$2] " " $3 }
		$1 == "smaps" { rss[$2, kind($3)] += $5 }
		END {
			floor = median(figures["floor"])
			printf "%-32s %6s %8s %10s  %s\n", "run (median of " runs ")", "VmHWM", "private", "vs hello", "min-max"
			n = split("initlan routinginit initwan usbinit usbmount get floor", names, " ")
			for (i = 1; i <= n; i++) {
				name = names[i]
				if (!(name in figures)) continue
				m = median(figures[name])
				printf "%-32s %6d %8d %+10d  %d-%d\n", what[name], m, anon[name], m - floor, low, high
				if (name != "floor" && m - floor > worst) worst = m - floor
			}
			printf "largest tool run against the hello world: %+d KiB; target within 64 KiB: %s\n", worst, (worst <= 64 ? "met" : "NOT met")
			pf = median(probed["floor"]); pi = median(probed["initqavo"])
			if (pi) printf "initqavo (its boot run, through the probe) %d KiB, %+d against the hello world through the probe (%d: the probe costs %+d); target at most 1024 KiB: %s\n",
				pi, pi - pf, pf, pf - floor, (pi <= 1024 ? "met" : "NOT met")
			print "Rss at exit by mapping (KiB, last run): the hello world, then each run as a difference to it"
			line = sprintf("%-12s", "run"); nk = split("program libqavo libnvram libmosquitto libcjson libc heap stack anon other", ks, " ")
			for (j = 1; j <= nk; j++) line = line sprintf(" %8s", ks[j])
			print line
			for (i = n; i >= 1; i--) {
				name = names[i]
				if (!(name in figures)) continue
				line = sprintf("%-12s", name)
				for (j = 1; j <= nk; j++) line = line sprintf(" %8d", rss[name, ks[j]] - (name == "floor" ? 0 : rss["floor", ks[j]]))
				print line
			}
		}' "$state/board"
	echo "one request/response exchange, whole process, on the board (hyperfine):"
	grep '^exchange ' "$state/board" | awk -f bench/hyperfine-medians.awk
done
