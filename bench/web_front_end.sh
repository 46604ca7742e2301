#!/bin/sh
# The web front end's timings in the virtual router after a boot with the front end
# (printed, never asserted):
#   - in Debian's Chromium: the status page to first paint and to its data shown, a save
#     on the LAN page from the click to the reply shown (bench/web_front_end.js);
#   - the CGI program's share of a request: qavo.cgi run as httpd runs it (a load of the
#     LAN page, and a save) against a bare qavo_webreq with the same request (hyperfine);
#   - the size of the front end in the router tree (pages and the CGI program);
#   - on the emulated board, the same Chromium timings from the host through the emulator's
#     forwarded port (sim/board-host/emulated-router --web; needs the board's image).
# Run as root after building and staging:  bench/web_front_end.sh [build dir]
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build/default}" && pwd)
sh "$src/tests/browser/packages.sh" "$src/tests/browser" "$build/browser" > /dev/null
echo "== size in the router tree (this build; see bench/footprint.sh for the router build)"
echo "pages: $(cat "$build"/stage/etc_ro/web/*.* | wc -c) bytes; CGI program: $(wc -c < "$build/stage/etc_ro/web/cgi-bin/qavo.cgi") bytes"
# The script below is expanded by the router's shell.
# shellcheck disable=SC2016
"$src/sim/vrouter/vrouter" --stage "$build/stage" --tools "$build/sim" --wan-provider --web --bind "$src" --bind "$build" -- sh -c '
	initqavo > /dev/null 2>&1
	sleep 1
	address=$(nvram_get 2860 lan_ipaddr)
	echo "== in Chromium"
	env -u LD_PRELOAD NODE_PATH='"$build"'/browser/node_modules node '"$src"'/bench/web_front_end.js "$address" '"$src"'/sim/common/chromium.flags 9
	echo "== the CGI program against a bare qavo_webreq (hyperfine, medians)"
	env="env REMOTE_USER=admin HTTP_HOST=$address HTTP_ORIGIN=http://$address LD_LIBRARY_PATH=/.vrouter/stage/lib"
	cgi=/etc_ro/web/cgi-bin/qavo.cgi
	printf "page=lan&HostName=bench" > /tmp/save.form
	hyperfine -N --warmup 5 --runs 100 --export-json /tmp/load.json \
		"$env REQUEST_METHOD=GET QUERY_STRING=page=lan $cgi" "$env qavo_webreq lan {}" > /dev/null 2>&1
	hyperfine --warmup 2 --runs 20 --export-json /tmp/save.json \
		"$env REQUEST_METHOD=POST CONTENT_TYPE=application/x-www-form-urlencoded CONTENT_LENGTH=23 $cgi < /tmp/save.form" "$env qavo_webreq lan {\\\"HostName\\\":\\\"bench\\\"}" > /dev/null 2>&1
	for what in load save; do
		awk -F": " -v what=$what "/\"median\":/ { m[++n] = \$2 * 1000 }
			END { printf \"%s: CGI %.2f ms, qavo_webreq %.2f ms, CGI / qavo_webreq %.2fx\\n\", what, m[1], m[2], m[1] / m[2] }" /tmp/$what.json
	done
'
echo "== on the emulated board, in Chromium on the host"
# shellcheck disable=SC2016 # expanded by the shell of --web-run
"$src/sim/board-host/emulated-router" --out "$build/bench-emulated-web" --timeout 400 --web-run "NODE_PATH='$build/browser/node_modules' \
	node '$src/bench/web_front_end.js' \"\${QAVO_ROUTER_URL#http://}\" '$src/sim/common/chromium.flags' 5" | sed '/^=== emulated router report ===$/,$d'
