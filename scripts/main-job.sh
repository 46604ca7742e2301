#!/bin/sh
# Installs what is missing, builds, and boots the virtual router on its factory defaults,
# printing what the router did. Settings of your own go on top of the defaults:
#   scripts/main-job.sh --set wanConnectionMode=PPPOE --set wan_pppoe_user_mm=me --settings my.conf
# (KEY=VALUE, or 1:KEY=VALUE for section 1; a settings file holds one such line each).
# The report ends with a screenshot of the web front end's status page (headless Chromium);
#   scripts/main-job.sh --serve [--port N]
# keeps the router running after it, the front end on http://127.0.0.1:N/ (default 8080,
# login printed), until interrupted.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# libmosquitto without TLS and cJSON, from Debian's sources, for the host builds.
scripts/router-libraries.sh host
. scripts/build-dirs.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2
cmake --install "$host_build" --prefix "$host_build/stage" >/dev/null
exec sim/vrouter/boot-report --stage "$host_build/stage" "$@"
