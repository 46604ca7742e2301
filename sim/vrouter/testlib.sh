# shellcheck shell=bash
# Helpers for system tests written in bash; source it from a test script.
#
#   vr_run [vrouter options] -- command [args...]
#       One run of the virtual router in a fresh state directory ($VR_STATE).
#       Sets VR_STATUS (the command's exit status), VR_STDOUT and VR_STDERR
#       (files holding the run's output), VR_SECONDS (wall time).
#   sh_commands PROGRAM      the commands PROGRAM ran through /bin/sh -c, in
#                            order, one per line, as logged (escaped)
#   standin_calls [NAME]     "name args" of the stand-ins called, in order
#   expect_eq WHAT EXPECTED ACTUAL
#   expect_file PATH TEXT    the router file PATH (e.g. /tmp/x) holds exactly TEXT
#   expect_no_file PATH
#   expect_log_lines PROGRAM < expected   sh_commands PROGRAM equals stdin
#   expect_lines WHAT ACTUAL_TEXT < expected
#   expect_output EXPECTED   the run's stdout is exactly EXPECTED (bytes)
#   expect_output_start EXPECTED   ... begins with EXPECTED
#   report_section REPORT TITLE, report_field TEXT KEY   either router's boot report
#                            taken apart (sim/common/report.sh)
#   usbinfo_oracle STATFS    USBINFO = the records "/var/usbinfo" should hold for the
#                            statfs figure lines STATFS (tests/support/usbinfo_records.py);
#                            fails when no ext mount among them reserves blocks
#   finish                   exit 0 if every expectation held, else 1
#
# Failures print a unified diff of expected and actual text; state
# directories of a failed test are kept and named on stderr.

set -uo pipefail

: "${QAVO_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${QAVO_BUILD_DIR:=$QAVO_SOURCE_DIR/build/default}"
: "${QAVO_STAGE_DIR:=$QAVO_BUILD_DIR/stage}"
VROUTER=$QAVO_SOURCE_DIR/sim/vrouter/vrouter

vr_failures=0
vr_runs=$(mktemp -d /tmp/vrouter-test.XXXXXX)
VR_STATE=""
VR_STATUS=""
VR_STDOUT=""
VR_STDERR=""
VR_SECONDS=""

vr_cleanup() {
	if [ "$vr_failures" = 0 ]; then
		rm -rf "$vr_runs"
	else
		echo "state of the runs kept in $vr_runs" >&2
	fi
}
trap vr_cleanup EXIT

vr_fail() {
	echo "FAIL: $*" >&2
	vr_failures=$((vr_failures + 1))
}

vr_run() {
	VR_STATE=$(mktemp -d "$vr_runs/run.XXXX")
	VR_STDOUT=$VR_STATE/stdout
	VR_STDERR=$VR_STATE/stderr
	local start=$EPOCHREALTIME
	"$VROUTER" --stage "$QAVO_STAGE_DIR" --tools "$QAVO_BUILD_DIR/sim" --state "$VR_STATE/router" \
		"$@" > "$VR_STDOUT" 2> "$VR_STDERR"
	VR_STATUS=$?
	# shellcheck disable=SC2034 # read by the tests
	VR_SECONDS=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
	VR_STATE=$VR_STATE/router
}

# The kernel keeps 15 characters of a command name.
sh_commands() {
	local comm=${1:0:15}
	[ -f "$VR_STATE/log/sh.log" ] || return 0
	awk -v comm="$comm" '$3 == comm { sub(/^[^ ]+ [^ ]+ [^ ]+ /, ""); print }' "$VR_STATE/log/sh.log"
}

# shellcheck disable=SC2120 # no name: every stand-in
standin_calls() {
	[ -f "$VR_STATE/log/standin.log" ] || return 0
	if [ $# -gt 0 ]; then
		awk -v name="$1" '$2 == name { sub(/^[^ ]+ /, ""); print }' "$VR_STATE/log/standin.log"
	else
		sed 's/^[^ ]* //' "$VR_STATE/log/standin.log"
	fi
}

vr_diff() {
	local what=$1 expected=$2 actual=$3
	[ "$expected" != "$actual" ] || return 0
	vr_fail "$what"
	diff -u --label expected --label actual <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") >&2
	return 1
}

expect_eq() { vr_diff "$1" "$2" "$3"; }

expect_lines() {
	local what=$1 actual=$2 expected
	expected=$(cat)
	vr_diff "$what" "$expected" "$actual"
}

expect_log_lines() {
	expect_lines "commands of $1" "$(sh_commands "$1")"
}

# Exact bytes, trailing line ends included (printf %q shows the difference).
expect_file() {
	local path=$1 expected=$2 file=$VR_STATE${1}
	if [ ! -f "$file" ]; then
		vr_fail "$path: missing"
		return 1
	fi
	local actual
	actual=$(cat "$file"; printf x)
	actual=${actual%x}
	[ "$actual" = "$expected" ] && return 0
	vr_fail "$path: content"
	echo "  expected $(printf %q "$expected")" >&2
	echo "  actual   $(printf %q "$actual")" >&2
	return 1
}

# The run's stdout with its trailing line ends, in VR_OUT.
vr_read_stdout() {
	VR_OUT=$(cat "$VR_STDOUT"; printf x)
	VR_OUT=${VR_OUT%x}
}

expect_output() {
	vr_read_stdout
	vr_diff "stdout (shell-quoted)" "$(printf %q "$1")" "$(printf %q "$VR_OUT")"
}

expect_output_start() {
	vr_read_stdout
	vr_diff "start of stdout (shell-quoted)" "$(printf %q "$1")" "$(printf %q "${VR_OUT:0:${#1}}")"
}

expect_no_file() {
	[ ! -e "$VR_STATE$1" ] || vr_fail "$1: should not exist"
}

# What went wrong in the last run, for a failing test's output.
vr_show_run() {
	echo "--- status $VR_STATUS; stdout:" >&2; cat "$VR_STDOUT" >&2
	echo "--- stderr:" >&2; cat "$VR_STDERR" >&2
}

# shellcheck source=sim/common/report.sh
source "$QAVO_SOURCE_DIR/sim/common/report.sh"

usbinfo_oracle() {
	# shellcheck disable=SC2034 # read by the tests
	USBINFO=$(python3 "$QAVO_SOURCE_DIR/tests/support/usbinfo_records.py" <<<"$1")
	# With reserved blocks on an ext mount the records show available, not free, blocks.
	awk '/ type=ef5[13] / { split($0, f, /[ =]/); for (i = 1; i < length(f); i++) v[f[i]] = f[i + 1]
		if (v["bfree"] != v["bavail"]) seen = 1 } END { exit !seen }' <<<"$1" ||
		vr_fail "no ext mount reserves blocks: the records cannot tell available from free blocks"
}

finish() {
	if [ "$vr_failures" = 0 ]; then
		echo "ok"
		exit 0
	fi
	echo "$vr_failures expectation(s) failed" >&2
	exit 1
}
