#!/bin/bash
# Both routers' report format (sim/common/report.sh), rendered under the host's awk and
# BusyBox's (the board's) and read back: records in key order under one heading style,
# "(none)" for a record without lines, an empty file (a section with nothing to say) left
# out; a section's own blank lines kept and the separator before the next heading not; the
# board's end marker ends a section. Needs no root.
source "$QAVO_SOURCE_DIR/sim/testlib.sh"
dir=$vr_runs/records
mkdir -p "$dir" "$vr_runs/bin"
printf 'one\n\n  two: 2  \n' | report_record "$dir" 10 "First section"
report_record "$dir" 20 Empty "$dir/missing"
: >"$dir/30"
report_record "$dir" 40 "First again" <<<three
awks=(awk)
command -v busybox >/dev/null && ln -s "$(command -v busybox)" "$vr_runs/bin/awk" && awks+=("busybox awk")
for a in "${awks[@]}"; do
	[ "$a" = awk ] || PATH=$vr_runs/bin:$PATH
	text=$(report_render "$dir"/*; echo "=== end of report")
	expect_lines "$a: rendered" "$text" <<'END'

== First section
one

  two: 2  

== Empty
(none)

== First again
three
=== end of report
END
	expect_eq "$a: the first section whose title starts so, without the separator" 3 \
		"$(report_section "$text" First | wc -l)"
	expect_eq "$a: a field, trailing blanks dropped" 2 "$(report_field "$(report_section "$text" First)" ' *two')"
	expect_eq "$a: an empty section" "(none)" "$(report_section "$text" Empty)"
	expect_eq "$a: the last section, up to the end marker" three "$(report_section "$text" 'First again')"
done
finish
