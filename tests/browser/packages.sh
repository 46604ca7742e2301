#!/bin/sh
# packages.sh SOURCE_DIR BUILD_DIR: installs the browser tests' npm packages exactly as the
# lock file pins them into BUILD_DIR/node_modules (again only when the lock file changed).
# puppeteer-core downloads no browser: the tests drive Debian's /usr/bin/chromium.
set -eu
source=$1 build=$2
mkdir -p "$build"
if cmp -s "$source/package-lock.json" "$build/package-lock.json" && [ -d "$build/node_modules/puppeteer-core" ]; then
	exit 0
fi
cp "$source/package.json" "$source/package-lock.json" "$build/"
cd "$build"
npm ci --no-audit --no-fund --ignore-scripts
