#!/usr/bin/env bash
# Runs the built program on full-size hostile inputs and prints, per input,
# its time and peak memory next to the time `cat` takes to copy the same
# bytes, and next to `dd bs=128`, which copies them with the same number of
# reads and writes as the program's 128-byte file buffers. Each input is
# also run at a fifth of its size: linear time shows as a ratio near 5.
# Inputs are made in a temporary folder and removed afterwards.
#   hardening/hostile.sh [path/to/relabel]
set -euo pipefail
cd "$(dirname "$0")/.."
relabel="${1:-build/relabel}"
if [ ! -x "$relabel" ]; then
  cmake -S . -B build >/dev/null && cmake --build build --target relabel
fi
relabel="$(realpath "$relabel")"
[ -x /usr/bin/time ] || .ci/install-packages time

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The generator of names that collide in an index hashed without a key.
c++ -O2 -std=c++20 -Isrc hardening/colliding_names.cpp src/convert/name_hash.cpp \
  -o "$work/colliding_names"

# make CASE SCALE: writes $work/CASE/in.pnl and in.pcb, SCALE times the size.
make_case() {
  mkdir -p "$work/$1"
  if [ "$1" = colliding_names_500k ]; then
    "$work/colliding_names" "$(awk -v s="$2" 'BEGIN { printf "%d", 500000 * s }')" "$work/$1"
    return
  fi
  python3 - "$1" "$work/$1" "$2" <<'PY'
import os, sys
case, d, scale = sys.argv[1], sys.argv[2], float(sys.argv[3])
M = int(1000000 * scale)  # "a million"
MB50 = int((50 << 20) * scale)
head = b"head\r\nComponents\r\n"
parts, board = b"Components\n\"R1\" \"10k\" \"0805\" \"\"\n)\n", head + b")\r\n"
if case == "line_50mb":
    board = head + b")\r\n" + b"z" * MB50          # the tail, no line end
elif case == "quotes_1m":
    parts = b"Components\n" + b"\"" * M + b"\n)\n"
elif case == "parens_1m":
    parens = b")" * M
    board = (head + b"    (\"R1\" 1 2 0 6 0 0)\r\n    (\"v\" " + parens +
             b"\r\n    (\"s\" 1 2 3)\r\n    (\"R9\" " + parens +
             b"\r\na\r\nb\r\n)\r\n")
elif case == "empty_lines_parts_1m":
    parts = b"Components\n" + b"\r\n" * M + b")\n"
elif case == "empty_lines_board_1m":
    board = head + b"\r\n" * M + b")\r\n"
elif case == "nul_high_bytes_50mb":
    noise = os.urandom(MB50 // 2).replace(b"\x1a", b"\x00")  # 26 ends the data
    parts = b"Components\n" + noise
    board = head + b"    (\"" + noise
elif case == "parts_500k":
    p = [b"Components\n"]
    b = [head]
    for i in range(M // 2):
        n = str(i).encode()
        p.append(b"\"P" + n + b"\" \"v" + n + b"\" \"s" + n + b"\" \"\"\n")
        if i % 5 == 0:
            b.append(b"    (\"P" + n + b"\" 10 20 0 2 0 0)\r\n    (\"a\" 1 2 3 4 5 6)\r\n    (\"b\" 1 2 3)\r\n")
    p.append(b")\n"); b.append(b")\r\n")
    parts, board = b"".join(p), b"".join(b)
open(os.path.join(d, "in.pnl"), "wb").write(parts)
open(os.path.join(d, "in.pcb"), "wb").write(board)
PY
}

# run CASE SCALE: prints one row of the table.
run_case() {
  make_case "$1" "$2"
  local d="$work/$1"
  local bytes=$(( $(stat -c %s "$d/in.pnl") + $(stat -c %s "$d/in.pcb") ))
  cat "$d/in.pnl" "$d/in.pcb" >/dev/null  # warm the page cache
  ( cd "$d" && /usr/bin/time -f '%e' -o cat.time sh -c 'cat in.pnl in.pcb > copy' )
  ( cd "$d" && /usr/bin/time -f '%e' -o dd.time sh -c \
      'cat in.pnl in.pcb | dd bs=128 iflag=fullblock of=copy 2>/dev/null' )
  set +e
  ( cd "$d" && /usr/bin/time -f '%e %M' -o relabel.time "$relabel" in out >console )
  local code=$?
  set -e
  rs=$(tail -n 1 "$d/relabel.time" | cut -d' ' -f1)
  local rss=$(tail -n 1 "$d/relabel.time" | cut -d' ' -f2)
  local cs=$(tail -n 1 "$d/cat.time") ds=$(tail -n 1 "$d/dd.time")
  local ratio=$(awk -v a="$rs" -v b="$cs" 'BEGIN { if (b < 0.01) b = 0.01; printf "%.1f", a / b }')
  local dratio=$(awk -v a="$rs" -v b="$ds" 'BEGIN { if (b < 0.01) b = 0.01; printf "%.1f", a / b }')
  printf '%-22s %5s %12d %4d %9s %7s %8s %9s %8s %11s' "$1" "$2" "$bytes" "$code" \
    "$rs" "$cs" "$ds" "$ratio" "$dratio" "$rss"
  rm -rf "$d"
}

cases="${HOSTILE_CASES:-line_50mb quotes_1m parens_1m empty_lines_parts_1m empty_lines_board_1m nul_high_bytes_50mb parts_500k colliding_names_500k}"
printf '%-22s %5s %12s %4s %9s %7s %8s %9s %8s %11s %s\n' case scale input_bytes exit \
  relabel_s cat_s dd128_s x_cat x_dd128 peak_rss_kb "time(1)/time(0.2)"
for c in $cases; do
  run_case "$c" 0.2
  small=$rs
  echo
  run_case "$c" 1
  awk -v a="$rs" -v b="$small" 'BEGIN { if (b < 0.01) b = 0.01; printf " %.1f\n", a / b }'
done
