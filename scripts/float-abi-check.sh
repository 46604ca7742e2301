#!/bin/sh
# float-abi-check.sh FILE|DIR...: fails naming every ELF file (below each DIR: all of
# them) that the router's firmware could not load or that would trap into the kernel's
# FPU emulator (its 24KEc core has no FPU, its C library is uClibc-ng, soft-float):
#   - an FPU instruction (the functions holding one are named; MIPS16 code is told
#     apart by the symbol table, so check the files before they are stripped),
#   - a hard-float ABI declared (readelf -A: Tag_GNU_MIPS_ABI_FP, or the FP ABI of
#     .MIPS.abiflags),
#   - glibc's libc.so.6 (or its loader ld.so.1) needed.
# float-abi-check.sh --functions FILE prints only the names of FILE's functions that
# hold FPU instructions (bench/footprint.sh reports them); --members ARCHIVE the members
# of an archive that hold one (scripts/router-libc.sh leaves them out of libgcc).
set -eu
triplet=mipsel-linux-gnu

# fpu_functions FILE [members]: the functions of FILE holding FPU instructions, or with
# "members" the members of the archive FILE that hold one.
fpu_functions() {
	$triplet-objdump -d --no-show-raw-insn "$1" | awk -F'\t' -v by_member="${2:-}" '
		/:     file format / { member = $1; sub(/:.*/, "", member); next }
		/^[0-9a-f]+ <.*>:$/ { name = $0; sub(/^[0-9a-f]+ </, "", name); sub(/>:$/, "", name); next }
		NF >= 2 {
			op = $2
			if (op ~ /^(lwc1|swc1|ldc1|sdc1|[ls][dw]xc1|m[tf]h?c1|[ct][tf]c1|bc1)/ ||
			    op ~ /^(cvt|c)\./ || op ~ /\.(s|d|ps)$/)
				hit[by_member ? member : name] = 1
		}
		END { for (f in hit) printf "%s ", f }'
}
case ${1:-} in
--functions) fpu_functions "$2"; exit 0 ;;
--members) fpu_functions "$2" members; exit 0 ;;
esac
[ $# -gt 0 ] || { echo "usage: $0 FILE|DIR... | --functions FILE | --members ARCHIVE" >&2; exit 2; }

faults=0
checked=0
check_file() {
	head -c 4 "$1" | grep -q ELF || return 0
	checked=$((checked + 1))
	fpu=$(fpu_functions "$1")
	[ -z "$fpu" ] || { echo "$1: FPU instructions in: $fpu"; faults=$((faults + 1)); }
	hard=$($triplet-readelf -A "$1" | grep -E '(Tag_GNU_MIPS_ABI_FP|FP ABI): .*Hard float' | tr -s ' ' | tr '\n' ';')
	[ -z "$hard" ] || { echo "$1: hard-float ABI declared:$hard"; faults=$((faults + 1)); }
	glibc=$($triplet-readelf -d -l "$1" | grep -oE 'libc\.so\.6|ld\.so\.1' | sort -u | tr '\n' ' ')
	[ -z "$glibc" ] || { echo "$1: needs glibc: $glibc"; faults=$((faults + 1)); }
}
for path in "$@"; do
	[ -e "$path" ] || { echo "$path: missing"; faults=$((faults + 1)); continue; }
	for file in $(find "$path" -type f | sort); do
		check_file "$file"
	done
done
[ "$checked" -gt 0 ] || { echo "no ELF file under $*"; exit 1; }
echo "float-abi-check: $checked ELF files, $faults faults"
[ "$faults" -eq 0 ]
