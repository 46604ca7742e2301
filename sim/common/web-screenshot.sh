#!/bin/sh
# web-screenshot.sh URL PNG [LOGIN PASSWORD]: a screenshot of URL in Debian's headless
# Chromium (flags in chromium.flags beside this script, a fresh profile), after the page
# has had 3 s to load its data. The login goes into the URL, each byte %-encoded.
set -eu
[ $# -eq 2 ] || [ $# -eq 4 ] || { echo "usage: $0 URL PNG [LOGIN PASSWORD]" >&2; exit 2; }
url=$1 png=$2
encode() { printf %s "$1" | od -An -tx1 -v | tr -d ' \n' | sed 's/../%&/g'; }
if [ $# -eq 4 ]; then
	url="http://$(encode "$3"):$(encode "$4")@${url#http://}"
fi
command -v chromium > /dev/null || { echo "no chromium installed: no screenshot" >&2; exit 1; }
profile=$(mktemp -d /tmp/chromium-profile.XXXXXX)
# One flag per line in the file. The browser is no router program: it runs without what
# the virtual router preloads into those (a sanitizer build's shim would crash it).
# shellcheck disable=SC2046
env -u LD_PRELOAD chromium $(cat "$(dirname "$0")/chromium.flags") --user-data-dir="$profile" --window-size=900,640 \
	--virtual-time-budget=3000 --screenshot="$png" "$url" > /dev/null 2>&1 || status=$?
rm -rf "$profile"
[ -s "$png" ] || { echo "chromium made no screenshot (status ${status:-0})" >&2; exit 1; }
