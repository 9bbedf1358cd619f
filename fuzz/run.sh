#!/usr/bin/env bash
# Builds the fuzz harnesses and runs each for the given number of seconds
# (default 10), one after another, starting from the seeds in fuzz/corpus.
# New inputs found go to a scratch corpus in the build folder, so the seeds
# in the repository stay small. Extra arguments are passed to libFuzzer.
#   fuzz/run.sh 600                 # ten minutes each
#   HARNESSES="parse_int" fuzz/run.sh 60 -runs=10000000
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
shift || true
build="${FUZZ_BUILD_DIR:-build-fuzz}"
harnesses="${HARNESSES:-parts_line board_entry parse_int next_arg conversion text_read}"

CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRELABEL_FUZZ=ON -DRELABEL_TESTS=OFF \
  -DRELABEL_FUZZ_SANITIZERS="${FUZZ_SANITIZERS:-address,undefined}" >/dev/null
targets=()
for h in $harnesses; do targets+=("fuzz_$h"); done
cmake --build "$build" -j2 --target "${targets[@]}"

for h in $harnesses; do
  work="$build/corpus/$h"
  mkdir -p "$work" "$build/artifacts"
  echo "== fuzz_$h for ${seconds}s"
  "$build/fuzz/fuzz_$h" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$h-" "$@" "$work" "fuzz/corpus/$h"
done
