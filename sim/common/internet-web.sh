#!/bin/sh
# internet.sh of a virtual router booted with --web: recorded like every stand-in, then it
# starts the web front end (webui_start: the login file and BusyBox httpd on port 80), as
# the platform's network script starts the router's web server. The router keeps its
# libraries in /lib; here they are the stage's, which the CGI program needs.
/.vrouter/bin/recorded/internet.sh "$@"
status=$?
LD_LIBRARY_PATH=/.vrouter/stage/lib webui_start
exit $status
