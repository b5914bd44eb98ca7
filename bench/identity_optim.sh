#!/bin/bash
# identity_optim.sh BEFORE_TREE BEFORE_BUILD AFTER_TREE AFTER_BUILD
#
# Runs the optimizer benchmark's stages on the cavity example with two builds
# of the module and compares what each stage leaves: a hash of every block of
# the tool path, of the host's transcript and of the stock's cells
# (the IDENTITY lines of bench_optim). The benchmark's source of this tree is
# compiled against each tree's headers and each build's libraries (BUILD/bin
# holds libtavrek.so and libnorak.so, as a Release build with benchmarks
# leaves them), so a build from before the hashes were printed can be
# checked too. Exit 0 when every stage matches.
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 BEFORE_TREE BEFORE_BUILD AFTER_TREE AFTER_BUILD" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
pin=${PIN:-taskset -c ${BENCH_CPU:-6}}

run() {  # name tree build
  local tree build bin
  tree=$(cd "$2" && pwd)
  build=$(cd "$3" && pwd)
  bin="$out/$1"
  g++ -std=c++20 -O2 -I"$tree" -DTAVREK_EXAMPLES="\"$here/examples\"" "$here/bench/bench_optim.cpp" \
    -L"$build/bin" -ltavrek -lnorak -lvant -lbenchmark -lbenchmark_main -lpthread \
    -Wl,-rpath,"$build/bin" -o "$bin"
  $pin "$bin" >"$out/$1.log" 2>&1
  grep '^IDENTITY' "$out/$1.log" >"$out/$1.ids" || true
  grep '^MEASURE optimizer stage' "$out/$1.log" | sed "s/^/$1: /"
}

run before "$1" "$2"
run after "$3" "$4"
n=$(wc -l <"$out/after.ids")
if [ "$n" -eq 0 ] || [ "$(wc -l <"$out/before.ids")" -ne "$n" ]; then
  echo "IDENTITY CHECK FAILED: the runs gave $(wc -l <"$out/before.ids") and $n stage hashes"
  exit 1
fi
if ! diff "$out/before.ids" "$out/after.ids"; then
  echo "IDENTITY CHECK FAILED: the stages above left different paths, transcripts or stock"
  exit 1
fi
cat "$out/after.ids"
echo "IDENTITY CHECK PASSED: $n stages, path, transcript and stock identical"
