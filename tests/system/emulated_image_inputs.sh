#!/bin/bash
# The emulated router's image is repacked whenever one of this project's files it is made
# from changes: every file scripts/emulated-router.sh copies, compiles or sources (and
# the headers those sources include) is edited in turn in a copy of the tree, and the
# script's input hash must change, however the script is called. Boots nothing, needs
# no root and no router build.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
tree=$vr_runs/tree
script=scripts/emulated-router.sh

# The project's files the script names in its commands, comments left out.
named=$(sed 's/^[[:space:]]*#.*//' "$QAVO_SOURCE_DIR/$script" |
	grep -oE '(^|[^[:alnum:]_/.$])(sim|bench|scripts)/[[:alnum:]_./-]+' | sed 's/^[^sb]//' | sort -u)
inputs=$named
for f in $named; do
	case $f in *.c | *.h) ;; *) continue ;; esac
	while read -r header; do
		inputs+=$'\n'$(realpath -m --relative-to="$QAVO_SOURCE_DIR" "$QAVO_SOURCE_DIR/$(dirname "$f")/$header")
	done < <(sed -n 's/^#include "\(.*\)"/\1/p' "$QAVO_SOURCE_DIR/$f")
done
inputs=$(sort -u <<<"$inputs")
for f in $inputs; do
	mkdir -p "$tree/$(dirname "$f")"
	cp "$QAVO_SOURCE_DIR/$f" "$tree/$f" || vr_fail "cannot copy $f"
done

# Called by absolute path from elsewhere (as the image test does), by a relative path
# from the tree, and through sh: one and the same hash.
hash_of() { (cd / && "$tree/$script" --input-hash); }
base=$(hash_of)
[ -n "$base" ] || vr_fail "no input hash (see the message above)"
expect_eq "hash by a relative path" "$base" "$(cd "$tree" && ./$script --input-hash)"
expect_eq "hash through sh" "$base" "$(cd "$tree/sim" && sh ../$script --input-hash)"

unhashed=""
for f in $inputs; do
	cp "$tree/$f" "$vr_runs/saved"
	echo "# edited" >>"$tree/$f"
	[ "$(hash_of)" != "$base" ] || unhashed+="$f "
	cp "$vr_runs/saved" "$tree/$f"
done
expect_eq "board inputs whose edit leaves the image up to date" "" "$unhashed"
expect_eq "hash after every edit was undone" "$base" "$(hash_of)"
finish
