#!/usr/bin/env bash
# Windows: cross-builds relabel.exe and the tests with mingw-w64 and runs the
# tests under Wine. Prints how long the whole part took.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

.ci/install-packages g++-mingw-w64-x86-64 wine wine64

build=build-windows
echo "== Windows cross build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$build" -j2

echo "== relabel.exe needs only DLLs that Windows ships"
dlls=$(x86_64-w64-mingw32-objdump -p "$build/relabel.exe" | awk '/DLL Name/ {print $3}')
echo "$dlls"
if echo "$dlls" | grep -viqE '^(kernel32|user32|msvcrt)\.dll$'; then
  echo "unexpected DLL dependency" >&2
  exit 1
fi

built=$(date +%s)

echo "== tests under Wine"
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
run=()
# Wine keeps the read-only attribute as Unix permissions, which do not bind
# root; run as an unprivileged user when possible so that they hold.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null &&
   setpriv --reuid=nobody --regid=nogroup --clear-groups test -r "$build/relabel.exe"; then
  chown -R nobody:nogroup "$build"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups
       env HOME="$PWD/$build" WINEPREFIX="$WINEPREFIX" WINEDEBUG=-all)
fi
"${run[@]}" wineboot -i >/dev/null 2>&1
"${run[@]}" ctest --test-dir "$build" --output-on-failure
"${run[@]}" wineserver -k || true

finished=$(date +%s)
echo "== Windows part took $((finished - started)) s:" \
     "build $((built - started)) s, Wine set-up and tests $((finished - built)) s"
