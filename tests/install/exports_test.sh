#!/bin/sh
# The shared library exports exactly what the public headers declare QAVO_API and the
# export list names: no C++ symbol and no undocumented function leaks into the ABI.
#   exports_test.sh LIBRARY EXPORT_LIST INCLUDE_DIR
set -eu
library=$1 map=$2 include=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Defined global symbols in the dynamic table (readelf reads any architecture's ELF).
readelf --dyn-syms -W "$library" |
	awk '$5 == "GLOBAL" && $7 != "UND" { sub(/@.*/, "", $8); print $8 }' | sort -u >"$work/exported"
# Names the headers mark QAVO_API: the identifier before the parameter list or the ";".
grep -h 'QAVO_API' "$include"/qavo/*.h | grep -v '^#' |
	sed -E 's/\(.*//; s/\[.*//; s/;.*//' | grep -oE '[A-Za-z_][A-Za-z0-9_]*$' | sort -u >"$work/declared"
# The export list's global names.
sed -n '/global:/,/local:/p' "$map" | grep -oE '^ *[A-Za-z_][A-Za-z0-9_]*;' | tr -d ' ;' | sort -u >"$work/listed"

status=0
if ! diff -u "$work/declared" "$work/exported" >"$work/diff"; then
	echo "exported symbols (+) differ from the QAVO_API declarations (-):"; cat "$work/diff"; status=1
fi
if ! diff -u "$work/declared" "$work/listed" >"$work/diff"; then
	echo "export list $map (+) differs from the QAVO_API declarations (-):"; cat "$work/diff"; status=1
fi
[ -s "$work/declared" ] || { echo "no QAVO_API declaration found under $include"; status=1; }
exit $status
