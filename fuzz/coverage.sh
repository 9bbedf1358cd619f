#!/usr/bin/env bash
# Line and branch coverage of src/ reached by each harness's corpus: the
# seeds in fuzz/corpus plus what a fuzz run added under its build folder.
#   fuzz/coverage.sh [corpus-build-folder]   (default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
found="${1:-build-fuzz}"
build=build-fuzz-cov
flags="-fprofile-instr-generate -fcoverage-mapping"
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRELABEL_FUZZ=ON -DRELABEL_TESTS=OFF -DRELABEL_FUZZ_SANITIZERS= \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
# The files each harness is about; the conversion is about all of src/.
declare -A focus=(
  [parts_line]="parts_list.cpp" [board_entry]="board_entry.cpp"
  [parse_int]="int_text.cpp" [next_arg]="args.cpp" [conversion]=".cpp|TOTAL"
  [text_read]="text_file.cpp")
harnesses="parts_line board_entry parse_int next_arg conversion text_read"
targets=()
for h in $harnesses; do targets+=("fuzz_$h"); done
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
for h in $harnesses; do
  dirs=("fuzz/corpus/$h")
  [ -d "$found/corpus/$h" ] && dirs+=("$found/corpus/$h")
  LLVM_PROFILE_FILE="$build/$h.profraw" "$build/fuzz/fuzz_$h" -runs=0 \
    "${dirs[@]}" >/dev/null 2>&1
  llvm-profdata merge -sparse "$build/$h.profraw" -o "$build/$h.profdata"
  echo "== fuzz_$h (regions, functions, lines, branches: total, missed, cover)"
  llvm-cov report "$build/fuzz/fuzz_$h" -instr-profile="$build/$h.profdata" \
    src/ | grep -E "${focus[$h]}"
done
