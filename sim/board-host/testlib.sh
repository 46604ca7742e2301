# shellcheck shell=bash disable=SC2154 # vr_runs and vr_fail come from sim/vrouter/testlib.sh, sourced first
# Sourced by the emulated router's tests after sim/vrouter/testlib.sh. Without the router build
# (build/mipsel, or QAVO_FIRMWARE_BUILD, which scripts/emulated-router.sh packs) the test is skipped (status 77,
# the tests' SKIP_RETURN_CODE).
#   emulated_build_image   builds the image or finds it up to date (the image test)
#   emulated_need_image    the image must exist (the boots: CTest runs the image test first)
build_dirs_source=$QAVO_SOURCE_DIR
source "$QAVO_SOURCE_DIR/scripts/build-dirs.sh"
emulated_top=$emulated_dir
firmware_build=${QAVO_FIRMWARE_BUILD:-$mipsel_build} # as scripts/emulated-router.sh
if [ ! -x "$firmware_build/init/initqavo" ]; then
	echo "skipped: no router build in $firmware_build (cmake --preset mipsel && cmake --build --preset mipsel)"
	exit 77
fi
emulated_build_image() {
	"$QAVO_SOURCE_DIR/scripts/emulated-router.sh" >"$vr_runs/image.log" 2>&1 ||
		{ cat "$vr_runs/image.log" >&2; vr_fail "the image could not be built"; finish; }
}
emulated_need_image() {
	[ -f "$emulated_top/image.cpio.gz" ] ||
		{ vr_fail "no image in $emulated_top: run scripts/emulated-router.sh (the test system_emulated_image builds it)"; finish; }
}
