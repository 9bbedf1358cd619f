#!/usr/bin/env bash
# Windows: cross-builds relabel.exe and the tests with mingw-w64, for 64-bit
# and for 32-bit Windows, checks that each relabel.exe imports only what the
# oldest Windows it is for exports, and runs each whole test suite under Wine
# of the same word size, each in a Wine prefix of its own; the 32-bit suite
# a second time with the prefix set to Windows XP. Prints how long each part
# took.
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
       /^\[  SKIPPED \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/]+ \(/ {
         print "  skipped " $4 ": " next_reason }' \
    "$1/Testing/Temporary/LastTest.log"
}

# windows_part LABEL BUILD TOOLCHAIN OBJDUMP FLOOR [WINEARCH [XP_VERSION]]:
# builds, checks relabel.exe's imports against FLOOR, and runs the suite;
# with XP_VERSION, runs it once more with the prefix's Windows version set
# to that Windows XP.
windows_part() {
  local label=$1 build=$2 toolchain=$3 objdump=$4 floor=$5 winearch=${6:-}
  local xp_version=${7:-}
  local started built finished
  started=$(date +%s)
  echo "== Windows $label: cross build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
  cmake --build "$build" -j2

  echo "== Windows $label: relabel.exe imports only what $floor exports"
  .ci/check-imports.sh "$objdump" "$build/relabel.exe" "$floor"
  built=$(date +%s)

  # Some machines' kernels run no 32-bit programs (no IA-32 emulation), so
  # no 32-bit Wine starts there: the program is built and its imports
  # checked, and the suite is left to a machine that can run it.
  local error
  if [ -n "$winearch" ] && ! error=$(/usr/lib/wine/wine --version 2>&1); then
    echo "== Windows $label: tests under Wine NOT RUN: the 32-bit Wine does not start" \
         "(${error##*: }); this machine does not run 32-bit programs"
    times+=("Windows $label took $((built - started)) s: build only")
    return 0
  fi
  echo "== Windows $label: tests under Wine"
  # The loader of the program's word size: Debian's `wine` starts the
  # 32-bit one whenever wine32 is installed, also for a 64-bit program.
  local wine=/usr/lib/wine/wine64
  [ -n "$winearch" ] && wine=/usr/lib/wine/wine
  [ -x "$wine" ] || wine=wine
  local env=(HOME="$root/$build" WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all)
  [ -n "$winearch" ] && env+=(WINEARCH="$winearch")
  [ ${#runner[@]} -eq 0 ] || chown -R nobody:nogroup "$build"
  if ! "${runner[@]}" env "${env[@]}" "$wine" wineboot -i >"$build/wineboot.log" 2>&1; then
    echo "windows.sh: wineboot failed for $label; its output:" >&2
    tail -n 20 "$build/wineboot.log" >&2
    return 1
  fi
  local rc=0
  "${runner[@]}" env "${env[@]}" ctest --test-dir "$build" --output-on-failure || rc=$?
  list_skips "$build"
  if [ $rc -eq 0 ] && [ -n "$xp_version" ]; then
    echo "== Windows $label: tests under Wine, with the Windows version set to $xp_version"
    "${runner[@]}" env "${env[@]}" "$wine" reg add 'HKCU\Software\Wine' /v Version \
      /d "$xp_version" /f >/dev/null
    local shown
    shown=$("${runner[@]}" env "${env[@]}" "$wine" cmd /c ver | tr -d '\r' | grep .)
    echo "$shown"
    case $shown in
      *" 5.1."*) ;;  # Windows XP is version 5.1
      *) echo "windows.sh: the prefix does not show Windows XP ($label)" >&2; rc=1 ;;
    esac
    [ $rc -ne 0 ] ||
      "${runner[@]}" env "${env[@]}" ctest --test-dir "$build" --output-on-failure || rc=$?
    list_skips "$build"
  fi
  "${runner[@]}" env "${env[@]}" wineserver -k || true
  [ $rc -eq 0 ] || { echo "windows.sh: tests failed under Wine ($label)" >&2; return 1; }

  finished=$(date +%s)
  times+=("Windows $label took $((finished - started)) s: build $((built - started)) s, Wine set-up and tests $((finished - built)) s")
}

# The floors: the 32-bit program is for the Windows XP machines the boards'
# program ran on; the 64-bit one for every 64-bit Windows, of which XP
# Professional x64 Edition is the first (see README.md, "Windows").
times=()
windows_part 64-bit build-windows cmake/mingw-w64-x86_64.cmake \
  x86_64-w64-mingw32-objdump "Windows XP Professional x64 Edition"
windows_part 32-bit build-windows32 cmake/mingw-w64-i686.cmake \
  i686-w64-mingw32-objdump "Windows XP with SP3" win32 winxp
printf '== %s\n' "${times[@]}"
