# shellcheck shell=sh
# Both routers' boot reports as data: a directory of records, one per section, named by
# ordered keys (sim/vrouter/boot-report's STATE/report, the board's /.vrouter/report); a record's
# first line is the section's title, the others its text. One renderer prints both, one
# reader takes the text apart (the system tests through sim/vrouter/testlib.sh, and bench/).
#   report_record DIR KEY TITLE [FILE]  the record: TITLE, then FILE's lines (none when it is
#                                       missing) or stdin's
#   report_files ROOT   each file named on stdin: "PATH -> TARGET" or "PATH (N bytes): its
#                       first 160 bytes", PATH without ROOT
#   report_render RECORD...    each: a blank line, "== TITLE", its lines or "(none)"
#   report_section TEXT TITLE  the lines of the rendered TEXT's first section whose title
#                              starts with TITLE, up to the next heading or "===" marker
#   report_field TEXT KEY      the value of TEXT's first line "KEY: value" (KEY a sed
#                              pattern), trailing blanks dropped

report_record() { { printf '%s\n' "$3"; cat "${4:--}" 2>/dev/null; } >"$1/$2"; }

report_files() {
	while IFS= read -r f; do
		if [ -L "$f" ]; then
			echo "${f#"$1"} -> $(readlink "$f")"
		else
			echo "${f#"$1"} ($(wc -c <"$f") bytes): $(head -c 160 "$f" | tr -c ' -~' '.')"
		fi
	done
}

report_render() {
	awk 'FNR == 1 { if (NR > 1 && !lines) print "(none)"; printf "\n== %s\n", $0; lines = 0; next }
		{ print; lines = 1 }
		END { if (NR && !lines) print "(none)" }' "$@"
}

# The blank lines before a heading separate sections: they are not the section's.
report_section() {
	printf '%s\n' "$1" | awk -v title="$2" 'on && /^==/ { exit }
		!on && index($0, "== " title) == 1 { on = 1; next }
		on && $0 == "" { blanks++; next }
		on { for (; blanks > 0; blanks--) print ""; print }'
}

report_field() { printf '%s\n' "$1" | sed -n "s|^$2: ||p" | head -n 1 | sed 's/ *$//'; }
