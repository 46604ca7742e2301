# shellcheck shell=sh disable=SC2154 # script_name and log are the sourcing script's
# Sourced by the scripts that build in named steps (router-libraries.sh, router-libc.sh,
# uclibc-ng.sh), which set script_name (for messages) and log (the log file) first.
# fail MESSAGE: stops the script, naming it.
# step NAME COMMAND...: runs COMMAND with its output in the log. Any failing command in
# it ends the script (set -e holds inside, as the call is not tested), and the exit
# names the step and shows the end of the log.
fail() { echo "$script_name: $*" >&2; exit 1; }
current_step=
step() {
	current_step=$1
	shift
	echo "== $current_step" >>"$log"
	"$@" >>"$log" 2>&1
	current_step=
}
report_failed_step() {
	[ -n "$current_step" ] || return 0
	tail -n 25 "$log" >&2
	echo "$script_name: step '$current_step' failed (whole log: $log)" >&2
}
trap report_failed_step EXIT
