#!/bin/sh
# The shared library exports exactly what the public headers declare QAVO_API and the
# export list names, and of C++ only the helpers that lib/ headers mark QAVO_API for the
# project's own programs: no other C++ symbol and no undocumented function leaks into the ABI.
#   exports_test.sh LIBRARY EXPORT_LIST INCLUDE_DIR LIB_DIR
set -eu
library=$1 map=$2 include=$3 internal=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Defined global symbols in the dynamic table (readelf reads any architecture's ELF), C
# names apart from C++ ones; a C++ symbol by the last part of its demangled name.
readelf --dyn-syms -W "$library" |
	awk '$5 == "GLOBAL" && $7 != "UND" { sub(/@.*/, "", $8); print $8 }' | sort -u >"$work/symbols"
grep -v '^_Z' "$work/symbols" >"$work/exported" || true
grep '^_Z' "$work/symbols" | c++filt | sed -E 's/\(.*//; s/.*:://' | sort -u >"$work/exported_cxx" || true
# Names headers mark QAVO_API: the identifier before the parameter list or the ";".
marked() {
	grep -h 'QAVO_API' "$@" | grep -v '^#' |
		sed -E 's/\(.*//; s/\[.*//; s/;.*//' | grep -oE '[A-Za-z_][A-Za-z0-9_]*$' | sort -u
}
marked "$include"/qavo/*.h >"$work/declared"
marked "$internal"/*.h >"$work/declared_cxx"
# The export list's global names, C and (by the last part of each pattern) C++.
sed -n '/global:/,/local:/p' "$map" | grep -oE '^ *[A-Za-z_][A-Za-z0-9_]*;' | tr -d ' ;' | sort -u >"$work/listed"
sed -n '/extern "C++"/,/}/p' "$map" | grep -oE '::[A-Za-z_][A-Za-z0-9_]*\*;' | tr -d ':*;' | sort -u >"$work/listed_cxx"

status=0
if ! diff -u "$work/declared" "$work/exported" >"$work/diff"; then
	echo "exported symbols (+) differ from the QAVO_API declarations (-):"; cat "$work/diff"; status=1
fi
if ! diff -u "$work/declared" "$work/listed" >"$work/diff"; then
	echo "export list $map (+) differs from the QAVO_API declarations (-):"; cat "$work/diff"; status=1
fi
if ! diff -u "$work/declared_cxx" "$work/exported_cxx" >"$work/diff"; then
	echo "exported C++ symbols (+) differ from the QAVO_API marks in $internal (-):"; cat "$work/diff"; status=1
fi
if ! diff -u "$work/declared_cxx" "$work/listed_cxx" >"$work/diff"; then
	echo "C++ patterns of $map (+) differ from the QAVO_API marks in $internal (-):"; cat "$work/diff"; status=1
fi
[ -s "$work/declared" ] || { echo "no QAVO_API declaration found under $include"; status=1; }
exit $status
