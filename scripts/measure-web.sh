#!/usr/bin/env bash
# The browser game's figures in headless Chromium and Firefox ESR, median of
# RUNS runs (default 3): first-visit transfer (gzipped), navigation to the
# painted title screen, CPU beside a bare page, drop to sound start, and the
# generation step in WebAssembly against the native build.
#
#   scripts/measure-web.sh [RUNS]
#
# Builds what it needs in build-measure-web/ (the site, the tests' npm
# dependency, the native step program).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-measure-web"
"$root/scripts/build-web" "$build/web-site" >/dev/null
"$root/tests/web/setup.sh" "$build" >/dev/null
cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Release -DAGARHOLD_WEB_TESTS=OFF >/dev/null
cmake --build "$build/native" -j "${JOBS:-2}" --target agarhold_golden >/dev/null
AGARHOLD_WEB_SITE="$build/web-site" AGARHOLD_WEB_OBJ="$build/web-site-obj" \
AGARHOLD_NATIVE_GOLDEN="$build/native/agarhold_golden" \
  node "$build/web-tests/measure.mjs" "${1:-3}"
