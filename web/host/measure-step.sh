#!/usr/bin/env bash
# One generation of the growth-and-battle step in WebAssembly against the
# native build, in the same run: the two programs take turns, ROUNDS times
# each, and the fastest round of each counts (the steadiest figure on a
# shared machine).
#
#   web/host/measure-step.sh NATIVE_GOLDEN WASM_GOLDEN_JS [ROUNDS]
#
# NATIVE_GOLDEN is the native build's agarhold_golden, WASM_GOLDEN_JS the web
# build's agarhold_golden.js (run under node).
set -euo pipefail
native=$1 wasm=$2 rounds=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
best() { sort -g | head -1; }
n=() w=()
for ((i = 0; i < rounds; ++i)); do
  n+=("$("$native" step 2000 | awk '{print $2}')")
  w+=("$(node "$here/run-node.js" "$wasm" step 2000 | awk '{print $2}')")
done
bn=$(printf '%s\n' "${n[@]}" | best)
bw=$(printf '%s\n' "${w[@]}" | best)
echo "native      ${bn} us per generation (rounds: ${n[*]})"
echo "webassembly ${bw} us per generation (rounds: ${w[*]})"
awk -v a="$bw" -v b="$bn" 'BEGIN { printf "ratio       %.2f\n", a / b }'
