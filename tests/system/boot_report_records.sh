#!/bin/bash
# Both routers' report format (sim/common/report.sh), rendered under the host's awk and
# BusyBox's (the board's) and read back: records in key order under one heading style,
# "(none)" for a record without lines, an empty file left out; a section keeps its own blank
# lines but not the separator before the next heading, and ends at the board's end marker.
# Needs no root.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
dir=$vr_runs/records
mkdir -p "$dir" "$vr_runs/bin"
report_record "$dir" 20 Empty "$dir/missing"
printf 'one\n\ntwo\n' | report_record "$dir" 10 "First section"
: >"$dir/15"
awks=(awk)
command -v busybox >/dev/null && ln -s "$(command -v busybox)" "$vr_runs/bin/awk" && awks+=("busybox awk")
for a in "${awks[@]}"; do
	[ "$a" = awk ] || PATH=$vr_runs/bin:$PATH
	text=$(report_render "$dir"/*; echo "=== end of report")
	expect_lines "$a: rendered" "$text" <<'END'

== First section
one

two

== Empty
(none)
=== end of report
END
	expect_eq "$a: a section without the separator" 3 "$(report_section "$text" First | wc -l)"
	expect_eq "$a: the last section, up to the end marker" "(none)" "$(report_section "$text" Empty)"
done
finish
