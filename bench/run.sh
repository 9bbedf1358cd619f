#!/usr/bin/env bash
# Times relabel against `dd bs=128`, `cat` and the Python peer on generated
# boards and parts lists, and prints a table of medians and ratios.
#
#   bench/run.sh            all sizes (about 5 minutes on 2 idle cores)
#   RUNS=3 SIZES="1000 10000" LISTS="1000 10000" bench/run.sh   a quicker look
#   BASE=path/to/relabel bench/run.sh   also times another build on the boards
#
# Builds a Release relabel in build-bench/, keeps the generated inputs in
# build-bench/data/ (made once per seed), and leaves hyperfine's JSON files
# in build-bench/results/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

RUNS=${RUNS:-5}              # timed runs per command, after one warm-up
LARGE_RUNS=${LARGE_RUNS:-3}  # for boards of 100,000 components and more
SIZES=${SIZES:-"1000 10000 100000 500000"}
LISTS=${LISTS:-"1000 10000 100000 500000"}
LIST_BOARD=${LIST_BOARD:-100000}  # the board of the parts-list series
SEED=${SEED:-6}

.ci/install-packages cmake ninja-build g++ python3 hyperfine time
PYTHON=/usr/bin/python3

build=$root/build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DRELABEL_TESTS=OFF -DRELABEL_BENCH=OFF >/dev/null
cmake --build "$build" --target relabel >/dev/null
relabel=$build/relabel

data=$build/data
results=$build/results
mkdir -p "$data" "$results"
rm -f "$results"/*.json "$results"/*.rss
cd "$data"

gen() { "$PYTHON" "$root/bench/generate.py" "$@" --seed "$SEED"; }
made() { [ -s "$1" ] && [ "$(cat "$1.seed" 2>/dev/null)" = "$SEED" ]; }
mark() { echo "$SEED" >"$1.seed"; }

echo "== generating inputs in $data"
for n in $SIZES $LIST_BOARD; do
  made "b$n.pcb" || { gen board "$n" "b$n.pcb"; mark "b$n.pcb"; }
  made "b$n.pnl" || { gen parts "$n" "b$n.pnl" --share 0.9; mark "b$n.pnl"; }
done
# Parts lists of the same 900 board components plus names on no board.
for l in $LISTS; do
  made "q$l.pnl" || { gen parts 0 "q$l.pnl" --hits 900 --extra $((l - 900)); mark "q$l.pnl"; }
  ln -sf "b$LIST_BOARD.pcb" "p$l.pcb"; ln -sf "q$l.pnl" "p$l.pnl"
  # The same list with a board whose section is empty: reading the list.
  printf '(Components\r\n)\r\n' >"e$l.pcb"; ln -sf "q$l.pnl" "e$l.pnl"
done
# Boards of every size with one small list: memory against board size.
for n in $SIZES; do
  ln -sf "b$n.pcb" "m$n.pcb"; ln -sf "q1000.pnl" "m$n.pnl"
done

# The peer must write the same board and console bytes as relabel.
check() {
  "$relabel" "$1" "r-$1" >"r-$1.out" || true
  "$PYTHON" "$root/bench/peer.py" "$1" "y-$1" >"y-$1.out" || true
  if ! cmp -s "r-$1.pcb" "y-$1.pcb" || ! cmp -s "r-$1.out" "y-$1.out"; then
    echo "!!!!! MISMATCH: the Python peer and relabel differ on $1 !!!!!" >&2
    cmp "r-$1.pcb" "y-$1.pcb" >&2 || true
    cmp "r-$1.out" "y-$1.out" >&2 || true
    exit 1
  fi
}
rss() {
  local name=$1; shift
  /usr/bin/time -f %M -o "$results/$name.rss" "$@" >/dev/null 2>&1 || true
}

# hf NAME SIZE ARGS...: one hyperfine run over the commands in ARGS. Large
# inputs get fewer runs and no warm-up: check() has just read them all.
hf() {
  local name=$1 n=$2; shift 2
  local runs=$RUNS warmup=1
  [ "$n" -ge 100000 ] && { runs=$LARGE_RUNS; warmup=0; }
  hyperfine --runs "$runs" --warmup "$warmup" --style none \
    --export-json "$results/$name.json" "$@" >/dev/null
}

echo "== startup: relabel with no arguments"
hf start 0 -i -n relabel "$relabel"

for n in $SIZES; do
  echo "== board of $n components"
  check "b$n"
  base_args=()
  [ -z "${BASE:-}" ] || base_args=(-n base "$(realpath "$BASE") b$n o$n")
  hf "board$n" "$n" \
    -n relabel "$relabel b$n o$n" "${base_args[@]}" \
    -n dd "dd if=b$n.pcb of=d$n.pcb bs=128 status=none" \
    -n dd2 "dd if=b$n.pnl of=/dev/null bs=128 status=none && dd if=b$n.pcb of=d$n.pcb bs=128 status=none" \
    -n cat "cat b$n.pcb >c$n.pcb" \
    -n peer "$PYTHON $root/bench/peer.py b$n y$n"
  rss "board$n" "$relabel" "b$n" "o$n"
  rss "peer$n" "$PYTHON" "$root/bench/peer.py" "b$n" "y$n"
  rss "mem$n" "$relabel" "m$n" "o$n"
done

for l in $LISTS; do
  echo "== parts list of $l entries, board of $LIST_BOARD components"
  check "p$l"
  hf "list$l" "$LIST_BOARD" -n relabel "$relabel p$l o$l" -n read "$relabel e$l o$l"
  rss "list$l" "$relabel" "p$l" "o$l"
done

rm -f o*.pcb d*.pcb c*.pcb y*.pcb r-*.pcb
"$PYTHON" "$root/bench/table.py" "$results" "$data" "$SIZES" "$LISTS" "$LIST_BOARD"
