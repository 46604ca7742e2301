#!/bin/bash
# The store's daemon never starts: 25 attempts (about 25 s), the give-up
# line, exit status 255, and nothing of the boot sequence is run.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

vr_run --no-nvram-daemon -- initqavo
expect_eq "exit status" 255 "$VR_STATUS"
marks=$(printf '. %.0s' $(seq 24))
expect_output $'\n[Debug]Init system in qavo...\ngoahead: waiting for nvram_daemon '"$marks"$'initqavo: please execute nvram_daemon first!\n'
expect_eq "commands run" "" "$(sh_commands initqavo)"
expect_eq "stand-ins run" "" "$(standin_calls)"
expect_no_file /tmp/wan_connection_status
expect_no_file /tmp/protect_process
# A lower bound only: 24 one-second pauses happen before the give-up.
awk -v s="$VR_SECONDS" 'BEGIN { exit !(s >= 24) }' || vr_fail "gave up after $VR_SECONDS s"

[ "$vr_failures" = 0 ] || vr_show_run
finish
