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
echo "== Peak resident memory on the emulated board (KiB), beside the host's boot"
# The router build booted on the emulated MIPS board with its factory defaults, the
# probe preloaded into the boot's programs (sim/board-host/emulated-router --peak-memory): each of
# our programs that ended, and those still running when the boot settled (read from
# /proc), against the same program in the host's boot above. The probe's own pages count
# in both columns. Once on glibc (preset mipsel) and once on uClibc-ng (preset router,
# the tree the router loads; QAVO_FIRMWARE_BUILD of scripts/emulated-router.sh).
for firmware in mipsel router; do
	label=glibc
	[ "$firmware" = mipsel ] || label=uClibc-ng
	board=$state/emulated-$firmware
	if ! QAVO_FIRMWARE_BUILD=$build_root/$firmware scripts/emulated-router.sh >"$state/emulated-image.log" 2>&1 ||
		! sim/board-host/emulated-router --peak-memory --out "$board" >"$state/emulated-report" 2>&1; then
		echo "$label: skipped, the emulated router did not boot (see scripts/emulated-router.sh, sim/board-host/emulated-router)"
		continue
	fi
	echo "-- on $label"
	# Rows "<ended|running> <VmHWM> <private or -> <program> <arguments>".
	{
		report=$(cat "$state/emulated-report")
		report_section "$report" 'peak memory' | awk '{ print "ended", $0 }'
		report_section "$report" processes |
			awk '{ line = "running " $3 " - " $4; for (i = 5; i <= NF; i++) line = line " " $i; print line }'
	} >"$state/board"
	printf '%-8s %7s %7s %7s  %s\n' how board private host program
	awk -v figures="$state/figures" '
		function run(first,   key, i) {
			key = $first; sub(/.*\//, "", key)
			for (i = first + 1; i <= NF; i++) key = key " " $i
			return key
		}
		FILENAME == figures { if ($1 == "boot" && $2 == "probe") host[run(5)] = $3; next }
		{ key = run(4) }
		key ~ /^(initqavo|ombix_|nvram_|qavo_)/ {
			printf "%-8s %7d %7s %7s  %s\n", $1, $2, $3, (key in host ? host[key] : "-"), key
		}' "$state/figures" "$state/board"
done
