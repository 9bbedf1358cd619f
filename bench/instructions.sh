#!/usr/bin/env bash
# Counts the instructions relabel executes (valgrind's callgrind) on the
# benchmark inputs and prints them per input byte and per line. Unlike a
# timing, the counts are the same on every machine of one instruction set
# and do not depend on what else the machine is doing.
#
#   bench/instructions.sh                 the working tree
#   bench/instructions.sh --base REV      the working tree and REV side by side
#   bench/instructions.sh --bins NEW [BASE]   programs built already
#
# Builds Release programs in build-bench/ (the base from `git archive` in
# build-bench/base-SHA/) and keeps the generated inputs in
# build-bench/data/ (made once per seed).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

SEED=${SEED:-6}
base_rev= new_exe= base_exe=
while [ $# -gt 0 ]; do
  case $1 in
    --base) base_rev=$2; shift 2 ;;
    --bins) new_exe=$2; base_exe=${3:-}; shift $(( $# >= 3 ? 3 : 2 )) ;;
    *) echo "usage: bench/instructions.sh [--base REV | --bins NEW [BASE]]" >&2; exit 2 ;;
  esac
done

.ci/install-packages cmake ninja-build g++ python3 valgrind

build() {  # SOURCE BUILD: a Release relabel without tests or benchmarks
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DRELABEL_TESTS=OFF -DRELABEL_BENCH=OFF >/dev/null
  cmake --build "$2" --target relabel >/dev/null
}
if [ -z "$new_exe" ]; then
  build "$root" "$root/build-bench"
  new_exe=$root/build-bench/relabel
fi
if [ -n "$base_rev" ]; then
  sha=$(git rev-parse --verify "$base_rev^{commit}")
  b=$root/build-bench/base-${sha:0:12}
  if [ ! -x "$b/build/relabel" ]; then
    rm -rf "$b" && mkdir -p "$b/src"
    git archive "$sha" | tar -x -C "$b/src"
    build "$b/src" "$b/build"
  fi
  base_exe=$b/build/relabel
fi

new_exe=$(realpath "$new_exe")
[ -z "$base_exe" ] || base_exe=$(realpath "$base_exe")

data=$root/build-bench/data
mkdir -p "$data"
cd "$data"
made() { [ -s "$1" ] && [ "$(cat "$1.seed" 2>/dev/null)" = "$SEED" ]; }
mark() { echo "$SEED" >"$1.seed"; }
gen() { python3 "$root/bench/generate.py" "$@" --seed "$SEED"; }

# The board of 100,000 components with its 90% list, as bench/run.sh uses.
made b100000.pcb || { gen board 100000 b100000.pcb; mark b100000.pcb; }
made b100000.pnl || { gen parts 100000 b100000.pnl --share 0.9; mark b100000.pnl; }
# A million empty lines in the parts list's section, and 500,000 distinct
# names of which every fifth is on the board (the hostile cases). The names
# start with "i-", which bench/run.sh's clean-up leaves alone.
python3 - <<'PY'
import os
M = 1000000
if not os.path.exists("i-empty1m.pnl"):
    open("i-empty1m.pnl", "wb").write(b"Components\n" + b"\r\n" * M + b")\n")
    open("i-empty1m.pcb", "wb").write(b"head\r\nComponents\r\n)\r\n")
if not os.path.exists("i-names500k.pnl"):
    p, b = [b"Components\n"], [b"head\r\nComponents\r\n"]
    for i in range(M // 2):
        n = str(i).encode()
        p.append(b'"P' + n + b'" "v' + n + b'" "s' + n + b'" ""\n')
        if i % 5 == 0:
            b.append(b'    ("P' + n + b'" 10 20 0 2 0 0)\r\n    ("a" 1 2 3 4 5 6)\r\n    ("b" 1 2 3)\r\n')
    p.append(b")\n")
    b.append(b")\r\n")
    open("i-names500k.pnl", "wb").write(b"".join(p))
    open("i-names500k.pcb", "wb").write(b"".join(b))
PY
# 500,000 names that collide in an index hashed without a key.
if [ ! -s i-collide500k.pnl ]; then
  c++ -O2 -std=c++20 -I"$root/src" "$root/hardening/colliding_names.cpp" \
    "$root/src/convert/name_hash.cpp" -o colliding_names
  mkdir -p collide && ./colliding_names 500000 collide
  mv collide/in.pnl i-collide500k.pnl && mv collide/in.pcb i-collide500k.pcb
fi

count() {  # PROGRAM CASE: the instructions of one run
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" "$2" out \
    >/dev/null 2>"$2.callgrind"
  sed -n 's/.*refs: *//p' "$2.callgrind" | tr -d ,
}

# case, what the figure is per, the number of those, target per unit
rows=(
  "b100000 byte $(( $(stat -c %s b100000.pcb) + $(stat -c %s b100000.pnl) )) 12"
  "i-empty1m line 1000000 80"
  "i-names500k byte $(( $(stat -c %s i-names500k.pcb) + $(stat -c %s i-names500k.pnl) )) 20"
  "i-collide500k byte $(( $(stat -c %s i-collide500k.pcb) + $(stat -c %s i-collide500k.pnl) )) 20"
)
describe() {
  case $1 in
    b100000) echo "board of 100,000 components, 90% list" ;;
    i-empty1m) echo "a million empty parts-list lines" ;;
    i-names500k) echo "500,000 distinct names" ;;
    i-collide500k) echo "500,000 colliding names" ;;
  esac
}

echo
if [ -n "$base_exe" ]; then
  echo "| input | bytes | base instructions | base per unit | instructions | per unit | target | change |"
  echo "|---|---|---|---|---|---|---|---|"
else
  echo "| input | bytes | instructions | per unit | target |"
  echo "|---|---|---|---|---|"
fi
for row in "${rows[@]}"; do
  read -r name unit units target <<<"$row"
  bytes=$(( $(stat -c %s "$name.pcb") + $(stat -c %s "$name.pnl") ))
  new=$(count "$new_exe" "$name")
  per=$(awk -v i="$new" -v u="$units" 'BEGIN { printf "%.1f", i / u }')
  if [ -n "$base_exe" ]; then
    old=$(count "$base_exe" "$name")
    oper=$(awk -v i="$old" -v u="$units" 'BEGIN { printf "%.1f", i / u }')
    change=$(awk -v a="$new" -v b="$old" 'BEGIN { printf "%+.1f%%", 100 * (a - b) / b }')
    printf '| %s | %d | %d | %s per %s | %d | %s per %s | %s | %s |\n' "$(describe "$name")" \
      "$bytes" "$old" "$oper" "$unit" "$new" "$per" "$unit" "$target" "$change"
  else
    printf '| %s | %d | %d | %s per %s | %s |\n' "$(describe "$name")" "$bytes" "$new" \
      "$per" "$unit" "$target"
  fi
done
rm -f out.pcb ./*.callgrind
