#!/bin/bash
# initqavo waits for the configuration store's pid file: one attempt per
# second, a progress mark per failed attempt after the first (a pid file there from the
# start is the boot sequence's unit test).
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"

# The pid file appears between the ninth and the tenth attempt (t = 8.5 s).
vr_run -- /bin/bash -c '
	mv /var/run/nvramd.pid /var/run/nvramd.pid.later
	(sleep 8.5; mv /var/run/nvramd.pid.later /var/run/nvramd.pid) &
	exec initqavo'
expect_eq "exit status" 0 "$VR_STATUS"
expected_start=$'\n[Debug]Init system in qavo...\ngoahead: waiting for nvram_daemon . . . . . . . . \n[Debug] nvram_init...\n'
expect_output_start "$expected_start"
expect_eq "sequence ran to the end" "echo 1 > /tmp/protect_process" "$(sh_commands initqavo | tail -n1)"
expect_file /tmp/protect_process $'1\n'

[ "$vr_failures" = 0 ] || vr_show_run
finish
