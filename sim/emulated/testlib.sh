# Sourced by the emulated router's tests after sim/testlib.sh. Without the router build
# (build/mipsel, which scripts/emulated-router.sh packs) the test is skipped (status 77,
# the tests' SKIP_RETURN_CODE); otherwise the image is built or found up to date, and a
# failure to build it fails the test.
mipsel_build=$QAVO_SOURCE_DIR/build/mipsel
if [ ! -x "$mipsel_build/init/initqavo" ]; then
	echo "skipped: no router build in $mipsel_build (cmake --preset mipsel && cmake --build --preset mipsel)"
	exit 77
fi
"$QAVO_SOURCE_DIR/scripts/emulated-router.sh" >"$vr_runs/image.log" 2>&1 ||
	{ cat "$vr_runs/image.log" >&2; vr_fail "the image could not be built"; finish; }
