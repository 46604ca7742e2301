#!/bin/bash
# The web front end in a real browser: tests/browser/front_end.test.js runs under node's
# test runner inside the virtual router once it has booted with the front end (--web),
# driving Debian's Chromium through puppeteer-core (installed into the build tree from the
# lock file by the browser_packages test). The screenshots are kept in
# <build>/browser/screenshots. Node and the browser run without the harness's preloaded
# shim, which is for the router's programs (a sanitizer build's would crash them).
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
modules=$QAVO_BUILD_DIR/browser/node_modules
[ -d "$modules/puppeteer-core" ] || { echo "no puppeteer-core in $modules" >&2; exit 1; }
vr_run --wan-provider --web --bind "$QAVO_SOURCE_DIR" --bind "$QAVO_BUILD_DIR" -- /bin/sh -c "initqavo > /dev/null; sleep 1
env -u LD_PRELOAD NODE_PATH='$modules' SHOTS=/.vrouter/log/screenshots CHROMIUM_FLAGS='$QAVO_SOURCE_DIR/sim/common/chromium.flags' \
	node --test '$QAVO_SOURCE_DIR/tests/browser/front_end.test.js'"
cat "$VR_STDOUT"
shots=$QAVO_BUILD_DIR/browser/screenshots
rm -rf "$shots"
cp -r "$VR_STATE/log/screenshots" "$shots" && echo "screenshots: $shots"
expect_eq "browser tests' exit status" 0 "$VR_STATUS"
[ "$VR_STATUS" = 0 ] || vr_show_run
finish
