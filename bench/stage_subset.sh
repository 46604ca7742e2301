# shellcheck shell=bash
# Sourced by the virtual-router benchmarks. stage_subset STATE PROGRAM...: a stage in
# STATE/stage holding only the programs named (and the libraries and /etc_ro of the full
# stage), so every other program the measured one starts is the virtual router's no-op
# stand-in; sets stage_args for vrouter. The full stage is stage_args[1] when --stage
# was given, else $QAVO_STAGE_DIR or build/default/stage.
stage_subset() {
	local state=$1 full p
	shift
	full=${stage_args[1]:-${QAVO_STAGE_DIR:-$here/build/default/stage}}
	full=$(cd "$full" && pwd)
	mkdir -p "$state/stage/bin"
	cp -a "$full/lib" "$full/etc_ro" "$state/stage/"
	for p in "$@"; do cp -a "$full/bin/$p" "$state/stage/bin/"; done
	stage_args=(--stage "$state/stage" --tools "$(dirname "$full")/sim")
}
