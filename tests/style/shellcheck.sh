#!/bin/sh
# Every shell script the repository tracks (*.sh, and files whose "#!" line names sh or
# bash) passes shellcheck; a finding is mended, or annotated where it stands with the
# reason. Run from the source tree, where the scripts' "source" lines resolve.
set -eu
cd "$(dirname "$0")/../.."
# shellcheck disable=SC2016 # the program is awk's
scripts=$(git ls-files -z | xargs -0 awk 'FNR == 1 {
	if (FILENAME ~ /\.sh$/ || $0 ~ /^#!.*[\/ ](ba|da)?sh( |$)/) print FILENAME
	nextfile
}')
[ -n "$scripts" ] || { echo "no shell scripts found" >&2; exit 1; }
# shellcheck disable=SC2086 # one argument per script; tracked names have no blanks
exec shellcheck -x -f gcc $scripts
