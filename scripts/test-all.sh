#!/bin/sh
# Installs what is missing, builds every configuration and runs every test:
# the host build, the sanitizer build, and the slow tests too.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default -j2
ctest --preset default -j2

cmake --preset asan >/dev/null
cmake --build --preset asan -j2
ctest --preset asan -j2
