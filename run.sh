#!/usr/bin/env bash
# Set-up, build and run on a fresh Debian machine.
#   ./run.sh demo   build, then run the example surface-milling session into out/
#   ./run.sh test   build with AddressSanitizer and UBSan, run every test
#   ./run.sh bench  Release build, run the benchmarks
#   ./run.sh coverage  the test build with coverage counters: which routines
#                      of the module no test reaches (out/coverage/)
#   TAVREK_WERROR=ON (set by CI) makes every compiler warning an error.
set -euo pipefail
cd "$(dirname "$0")"
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

need_packages() {  # need_packages [extra packages...]
  local missing=()
  for p in g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

build() {  # build DIR TYPE [cmake options...]
  local dir=$1 type=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" -DTAVREK_WERROR="${TAVREK_WERROR:-OFF}" "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

case "${1:-}" in
  demo)
    need_packages
    build build/release Release -DTAVREK_TESTS=OFF
    mkdir -p out
    rm -f out/*.TP_LIST out/*.TIME_* out/*.gr out/*.txt out/*.svg out/*.stl out/*.png
    ./build/release/bin/norak-run "${2:-examples/dome_cleanup.json}" --out out
    echo "written into out/:"
    ls out
    ;;
  test)
    need_packages libgeos-dev libpolyclipping-dev  # GEOS, Clipper: oracles of the pocket tests only
    build build/asan Debug -DTAVREK_SANITIZE=ON
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build/asan --output-on-failure -j "$JOBS"
    ;;
  bench)
    need_packages
    build build/bench Release -DTAVREK_TESTS=OFF -DTAVREK_BENCH=ON
    for b in build/bench/bin/bench_*; do [ -x "$b" ] && "$b"; done
    ;;
  coverage)
    need_packages libgeos-dev libpolyclipping-dev gcovr
    build build/coverage Debug -DTAVREK_SANITIZE=ON -DCMAKE_CXX_FLAGS=--coverage \
      -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
    find build/coverage -name '*.gcda' -delete
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build/coverage -j "$JOBS" >build/coverage/ctest.log 2>&1 || echo "some tests failed: build/coverage/ctest.log"
    mkdir -p out/coverage
    gcovr --root . --object-directory build/coverage --json out/coverage/coverage.json \
      --filter '(core|tools|blocks|surfaces|cutter|passes|pocket|cleanup|stock|edit|frame)/' build/coverage
    python3 - out/coverage/coverage.json >out/coverage/unreached.txt <<'PY'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
total = unreached = 0
lines = []
for f in sorted(files, key=lambda f: f["file"]):
    for fn in f.get("functions", []):
        total += 1
        if fn["execution_count"] == 0:
            unreached += 1
            lines.append("%s:%d %s" % (f["file"], fn["lineno"], fn["name"]))
print("routines of the module: %d, never reached by a test: %d" % (total, unreached))
print("\n".join(lines))
PY
    head -1 out/coverage/unreached.txt
    echo "the list: out/coverage/unreached.txt"
    ;;
  *)
    echo "usage: ./run.sh demo|test|bench|coverage" >&2
    exit 64
    ;;
esac
