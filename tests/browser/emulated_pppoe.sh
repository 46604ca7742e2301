#!/bin/bash
# The web front end on the emulated board, in a real browser on the host: the board boots
# with the factory defaults (a DHCP WAN) and its front end forwarded to the host
# (sim/board-host/emulated-router --web); tests/browser/emulated_pppoe.test.js switches the WAN to
# PPPoE with the provider's account; the board's report then shows ppp0 with the
# provider's addresses. The screenshots, the report's status page among them, are kept in
# <build>/browser/emulated-screenshots.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
source "$QAVO_SOURCE_DIR/sim/board-host/testlib.sh"
emulated_need_image
shots=$QAVO_BUILD_DIR/browser/emulated-screenshots
out=$vr_runs/browser-pppoe
rm -rf "$shots"
report=$("$QAVO_SOURCE_DIR/sim/board-host/emulated-router" --out "$out" --timeout 400 --web-run "NODE_PATH='$QAVO_BUILD_DIR/browser/node_modules' \
	SHOTS='$shots' CHROMIUM_FLAGS='$QAVO_SOURCE_DIR/sim/common/chromium.flags' node --test '$QAVO_SOURCE_DIR/tests/browser/emulated_pppoe.test.js'" 2>&1)
expect_eq "the browser test passed and the board printed its whole report" 0 "$?"
sed '/^=== emulated router report ===$/q' <<<"$report"
cp "$out/status.png" "$shots/report-status.png" && echo "screenshots: $shots"
expect_eq "PPP link with the provider's addresses" "10.64.0.100 peer 10.64.0.1/32" "$(report_field "$report" ppp0)"
finish
