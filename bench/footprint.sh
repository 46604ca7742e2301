#!/bin/bash
# Footprint of what the router carries. A benchmark: prints figures, never fails on them.
#
#   bench/footprint.sh
#
# 1. The mipsel release build (preset "mipsel"), installed stripped into
#    build/mipsel/image: the size of every program and library, what each needs at run
#    time (readelf NEEDED), and which functions use the FPU (the MT7620 has none; the
#    kernel emulates it). Target: our programs, our library and any C++ run time they
#    need together at most 256 KiB. libc, libmosquitto and cJSON are not counted; nor are
#    the configuration store stand-ins (the platform's own libnvram replaces them) and the
#    example setting module qavo_sub.
# 2. The host build (preset "default"): the peak resident memory of each program for a
#    typical run in the virtual router: one boot on the factory defaults, which also runs
#    every tool command the boot launches, then the tool commands on their own.
#    Target: at most 1.5 MiB for a tool run. Needs root; skipped otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
ours="initqavo ombix_networkconfig ombix_usbconfig libqavo.so"
budget_kib=256
rss_target_kib=1536

echo "== Router build (mipsel, -Os, stripped)"
scripts/mipsel-sysroot.sh
cmake --preset mipsel >/dev/null
cmake --build --preset mipsel -j2 >/dev/null
image=build/mipsel/image
symbols=build/mipsel/image-symbols
rm -rf "$image" "$symbols"
cmake --install build/mipsel --prefix "$image" --strip >/dev/null
cmake --install build/mipsel --prefix "$symbols" >/dev/null

# Functions (by name, from the unstripped copy) holding FPU instructions.
fpu_functions() {
	mipsel-linux-gnu-objdump -d --no-show-raw-insn "$1" | awk -F'\t' '
		/^[0-9a-f]+ <.*>:$/ { name = $0; sub(/^[0-9a-f]+ </, "", name); sub(/>:$/, "", name); next }
		NF >= 2 {
			op = $2
			if (op ~ /^(lwc1|swc1|ldc1|sdc1|[ls][dw]xc1|m[tf]h?c1|[ct][tf]c1|bc1)/ ||
			    op ~ /^(cvt|c)\./ || op ~ /\.(s|d|ps)$/)
				hit[name] = 1
		}
		END { for (f in hit) printf "%s ", f }'
}
needs() { mipsel-linux-gnu-readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' '; }

counted=0
cxx_runtime=""
printf '%-34s %9s  %-44s %s\n' file bytes needs "FPU used in"
for file in $(cd "$image" && find . -type f | sed 's|^\./||' | sort); do
	head -c 4 "$image/$file" | grep -q ELF || continue
	bytes=$(stat -c %s "$image/$file")
	need=$(needs "$image/$file")
	fpu=$(fpu_functions "$symbols/$file")
	base=$(basename "$file")
	mark="  (not counted)"
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

echo
echo "== Peak resident memory on the host (VmHWM, KiB), runs in the virtual router"
if [ "$(id -u)" != 0 ]; then
	echo "skipped: the virtual router needs root"
	exit 0
fi
cmake --build --preset default -j2 >/dev/null
stage=$root/build/default/stage
cmake --install build/default --prefix "$stage" >/dev/null
preload=$root/build/default/bench/libbench_peak_rss.so
state=$(mktemp -d /tmp/footprint.XXXXXX)
trap 'rm -rf "$state"' EXIT
run() {
	local name=$1
	shift
	sim/vrouter --stage "$stage" --state "$state/$name" --bind "$(dirname "$preload")" --wait 10 -- \
		env LD_PRELOAD="$preload" QAVO_PEAK_RSS_LOG=/tmp/peak-rss.log "$@" >/dev/null 2>&1 || true
	find "$state/$name" -name peak-rss.log -exec cat {} + 2>/dev/null | awk -v run="$name" '{ print run, $0 }'
}
{
	run boot initqavo
	run initlan ombix_networkconfig mtk7620 initlan
	run routinginit ombix_networkconfig mtk7620 routinginit
	run initwan ombix_networkconfig mtk7620 initwan
	run usbinit ombix_usbconfig mtk7620 init
	run get nvram_get 2860 lan_ipaddr
	run baseline /usr/bin/true
} >"$state/figures"
# Programs from the stage (stand-ins of the same name live elsewhere), and the baseline:
# a host program that needs nothing but libc.
printf '%-12s %8s  %s\n' run KiB program
awk -v target="$rss_target_kib" '
	$3 ~ /^\/.vrouter\/stage\/bin\// || $1 == "baseline" {
		program = $3; sub(/.*\//, "", program)
		args = program; for (i = 4; i <= NF; i++) args = args " " $i
		printf "%-12s %8d  %s\n", $1, $2, args
		if (program ~ /^ombix_/ && $2 > worst) worst = $2
	}
	END {
		printf "largest tool run: %d KiB; target <= %d KiB: %s\n", worst, target,
			(worst <= target ? "met" : "NOT met")
	}' "$state/figures"
