#!/usr/bin/env bash
# Windows: cross-builds relabel.exe and the tests with mingw-w64, for 64-bit
# and for 32-bit Windows, and runs each whole test suite under Wine of the
# same word size, each in a Wine prefix of its own. Prints how long each
# part took.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# set -e alone would end the run without a word; name what failed.
trap 'echo "windows.sh: FAILED (exit $?) at line $LINENO: $BASH_COMMAND" >&2' ERR

.ci/install-packages g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386

# Wine keeps the read-only attribute as Unix permissions, which do not bind
# root: run the tests as an unprivileged user when it can reach the tree.
# A tree under a folder closed to other users (a clone in /root or in a
# mktemp -d folder) cannot be reached; then the tests run as root and those
# that need a read-only file skip themselves, each with its reason.
runner=()
if [ "$(id -u)" = 0 ]; then
  if command -v setpriv >/dev/null &&
     setpriv --reuid=nobody --regid=nogroup --clear-groups \
       test -x "$root" -a -r "$root/CMakeLists.txt"; then
    runner=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  else
    echo "== Wine tests run as root: the user nobody cannot reach $root;" \
         "tests that need a read-only file skip themselves"
  fi
fi

# Prints each skipped test of the last ctest run in BUILD with its reason.
list_skips() {
  [ -f "$1/Testing/Temporary/LastTest.log" ] || return 0
  awk '/: Skipped$/ { getline reason; next_reason = reason }
       /^\[  SKIPPED \] [A-Za-z0-9_]+\.[A-Za-z0-9_]+ \(/ {
         print "  skipped " $4 ": " next_reason }' \
    "$1/Testing/Temporary/LastTest.log"
}

# windows_part LABEL BUILD TOOLCHAIN OBJDUMP [WINEARCH]
windows_part() {
  local label=$1 build=$2 toolchain=$3 objdump=$4 winearch=${5:-}
  local started built finished dlls
  started=$(date +%s)
  echo "== Windows $label: cross build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
  cmake --build "$build" -j2

  echo "== Windows $label: relabel.exe needs only DLLs that Windows ships"
  dlls=$("$objdump" -p "$build/relabel.exe" | awk '/DLL Name/ {print $3}')
  echo "$dlls"
  if echo "$dlls" | grep -viqE '^(kernel32|user32|msvcrt)\.dll$'; then
    echo "windows.sh: unexpected DLL dependency of $build/relabel.exe" >&2
    return 1
  fi
  built=$(date +%s)

  echo "== Windows $label: tests under Wine"
  local env=(HOME="$root/$build" WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all)
  [ -n "$winearch" ] && env+=(WINEARCH="$winearch")
  [ ${#runner[@]} -eq 0 ] || chown -R nobody:nogroup "$build"
  if ! "${runner[@]}" env "${env[@]}" wineboot -i >"$build/wineboot.log" 2>&1; then
    echo "windows.sh: wineboot failed for $label; its output:" >&2
    tail -n 20 "$build/wineboot.log" >&2
    return 1
  fi
  local rc=0
  "${runner[@]}" env "${env[@]}" ctest --test-dir "$build" --output-on-failure || rc=$?
  "${runner[@]}" env "${env[@]}" wineserver -k || true
  list_skips "$build"
  [ $rc -eq 0 ] || { echo "windows.sh: tests failed under Wine ($label)" >&2; return 1; }

  finished=$(date +%s)
  times+=("Windows $label took $((finished - started)) s: build $((built - started)) s, Wine set-up and tests $((finished - built)) s")
}

times=()
windows_part 64-bit build-windows cmake/mingw-w64-x86_64.cmake x86_64-w64-mingw32-objdump
windows_part 32-bit build-windows32 cmake/mingw-w64-i686.cmake i686-w64-mingw32-objdump win32
printf '== %s\n' "${times[@]}"
