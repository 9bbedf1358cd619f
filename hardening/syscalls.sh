#!/usr/bin/env bash
# Compares the system calls of two builds of relabel on the same inputs:
# every open, read, write and close from the program's first call on, with
# their bytes, in their order; and the exit code, the console bytes and the
# files each run leaves. Exits 1 when any run differs.
#
#   hardening/syscalls.sh --base REV [options]
#       builds REV (from `git archive`) and the working tree, and compares
#   hardening/syscalls.sh --bins BASE_EXE NEW_EXE [options]
#       compares two programs already built
#
# Options:
#   --quick        50 random cases and only the 1,000-component board
#   --large        adds the board of 100,000 components
#   --random N     random cases (default 300)
#   --seed S       seed of the random cases (default 16)
#   --groups G,..  only these groups: examples fuzz hostile shapes random
#                  bench failures inject
#   -j N           runs at a time (default 2)
#   --keep         keep the work folder (it is kept anyway when runs differ)
#
# Builds go to build-syscalls/ (base-<commit>/ is kept and reused, new/ is
# rebuilt incrementally); cases and results go to a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$(date +%s.%N)

usage() { sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
base_rev="" base_exe="" new_exe="" random=300 seed=16 bench=1000,10000
groups=examples,fuzz,hostile,shapes,random,bench,failures,inject
jobs=2 keep=0
while [ $# -gt 0 ]; do
  case $1 in
    --base) base_rev=$2; shift 2 ;;
    --bins) base_exe=$(realpath "$2"); new_exe=$(realpath "$3"); shift 3 ;;
    --quick) random=50; bench=1000; shift ;;
    --large) bench=$bench,100000; shift ;;
    --random) random=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --groups) groups=$2; shift 2 ;;
    -j) jobs=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) usage ;;
  esac
done
[ -n "$base_rev" ] || [ -n "$base_exe" ] || usage

command -v strace >/dev/null || .ci/install-packages strace
command -v python3 >/dev/null || .ci/install-packages python3
command -v prlimit >/dev/null || .ci/install-packages util-linux
if ! command -v script >/dev/null; then
  echo "note: no \`script\`: the runs on a terminal are left out"
  no_pty=--no-pty
fi

# build SRC BUILD: a Release relabel without tests or benchmarks.
build() {
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DRELABEL_TESTS=OFF \
    -DRELABEL_BENCH=OFF >/dev/null
  cmake --build "$2" -j2 --target relabel >/dev/null
}
if [ -n "$base_rev" ]; then
  sha=$(git rev-parse --verify "$base_rev^{commit}")
  b=$root/build-syscalls/base-${sha:0:12}
  if [ ! -x "$b/build/relabel" ]; then
    echo "building $base_rev ($sha) in $b"
    rm -rf "$b" && mkdir -p "$b/src"
    git archive "$sha" | tar -x -C "$b/src"
    build "$b/src" "$b/build"
  fi
  base_exe=$b/build/relabel
  echo "building the working tree in build-syscalls/new"
  build "$root" "$root/build-syscalls/new"
  new_exe=$root/build-syscalls/new/relabel
fi
echo "base: $base_exe"
echo "new:  $new_exe"

work=$(mktemp -d "${TMPDIR:-/tmp}/relabel-syscalls.XXXXXX")
finish() { [ "$keep" = 1 ] && echo "work folder kept: $work" || rm -rf "$work"; }
trap finish EXIT

python3 hardening/syscall_cases.py "$work/cases" --random "$random" --seed "$seed" \
  --bench "$bench" --groups "$groups" ${no_pty:-}
# Both programs run from the same path: the usage text names it.
mkdir "$work/exe"
for s in base new; do
  exe=base_exe; [ $s = new ] && exe=new_exe
  cp "${!exe}" "$work/exe/relabel"
  t=$(date +%s.%N)
  python3 hardening/syscall_run.py run "$work/cases" "$work/exe/relabel" "$work/$s" -j "$jobs"
  echo "ran the $s program: $(awk -v a="$t" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
done
set +e
python3 hardening/syscall_run.py compare "$work/cases" "$work/base" "$work/new"
rc=$?
set -e
[ $rc -eq 0 ] || keep=1
echo "time: $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
exit $rc
