#!/usr/bin/env bash
# Prepares a run of the browser tests in a build folder:
#
#   tests/web/setup.sh BUILD_DIR
#
# copies the tests into BUILD_DIR/web-tests and installs their one npm
# dependency there from the lock file (again only when the lock changed).
set -euo pipefail
src=$(cd "$(dirname "$0")" && pwd)
dst="$1/web-tests"
mkdir -p "$dst"
rm -rf "$dst/lib" "$dst"/*.mjs
cp -r "$src/lib" "$src"/*.mjs "$src/package.json" "$src/package-lock.json" "$dst/"
if ! cmp -s "$dst/package-lock.json" "$dst/node_modules/.agarhold-lock"; then
  (cd "$dst" && npm ci --prefer-offline --no-audit --no-fund)
  cp "$dst/package-lock.json" "$dst/node_modules/.agarhold-lock"
fi
echo "web tests ready in $dst"
