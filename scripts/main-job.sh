#!/bin/sh
# Installs what is missing, builds, and boots the virtual router on its factory defaults,
# printing what the router did.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# libmosquitto without TLS and cJSON, from Debian's sources, for the host builds.
scripts/router-libraries.sh host
cmake --preset default >/dev/null
cmake --build --preset default -j2
cmake --install build/default --prefix build/default/stage >/dev/null
exec sim/boot-report --stage build/default/stage
