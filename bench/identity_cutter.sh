#!/usr/bin/env bash
# identity_cutter.sh BIN [DIGEST]     (BIN: a Release build's bin folder, or the build)
#   Hashes what a Release build of the module computes, so that two builds
#   can be shown bit-identical: run it on each build's bin folder (with the
#   same DIGEST program) and compare the lines.
#   - the tool path of the cavity example at tolerances 0.01, 0.002, 0.001
#     and of every other example (the words of norak-run's toolpath.txt,
#     the date and time of the procedure blocks made zeros);
#   - identity_digest (drops over three models, four tool kinds, three
#     allowance pairs and two modes; strings with their span checks), run
#     against BIN's libraries. DIGEST defaults to BIN/identity_digest.
#   Prints one line per result: name and hash.
set -euo pipefail
bin=$(cd "$1" && pwd)
[ -x "$bin/norak-run" ] || bin=$bin/bin  # a build folder: its bin folder
digest=${2:-$bin/identity_digest}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The words of a tool path dump without its wall-clock stamps.
words() {
  sed -E 's/ 41 4 0 [0-9]+ [0-9]+ [0-9]+ 42 4 0 [0-9]+ [0-9]+ [0-9]+/ 41 4 0 0 0 0 42 4 0 0 0 0/g' "$1" | sha256sum | cut -c1-16
}

run() {  # run NAME SESSION
  local out=$work/$1
  mkdir -p "$out"
  if "$bin/norak-run" "$2" --out "$out" >/dev/null 2>&1 && [ -f "$out/toolpath.txt" ]; then
    printf '%-28s %s\n' "$1" "$(words "$out/toolpath.txt")"
  else
    printf '%-28s %s\n' "$1" "run-failed"
  fi
}

for tol in 0.01 0.002 0.001; do
  sed -E "/\"TOLERANCE\",/{n;s/\"value\": 0.01/\"value\": $tol/}" "$here/examples/cavity.json" >"$work/cavity_$tol.json"
  run "cavity@$tol" "$work/cavity_$tol.json"
done
for ex in "$here"/examples/*.json; do
  name=$(basename "$ex" .json)
  [ "$name" = cavity ] && continue
  run "$name" "$ex"
done
LD_LIBRARY_PATH=$bin "$digest"
