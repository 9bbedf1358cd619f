#!/usr/bin/env bash
# Builds the release packages into out/ and checks what they hold:
#   - Linux: relabel-<version>-Linux.tar.gz and relabel_<version>_<arch>.deb;
#   - Windows: relabel-<version>-win64.zip, when the mingw-w64 cross build is
#     set up in this tree (otherwise that part is skipped, and says so).
# Each package is unpacked into a scratch folder; the program found there
# must convert examples/demo in both modes into exactly the files and
# console output of packaging/expected/, and the manual page found there
# must pass packaging/check-manual.sh.
#
# Environment: JOBS (parallel build jobs, default 2),
#              RELABEL_PACKAGES_WINDOWS=0 to skip the Windows zip.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

jobs=${JOBS:-2}
work=$root/build-pkg
out=$root/out
expected=$root/packaging/expected
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "build-packages: FAILED: $*" >&2
  exit 1
}

# The one file that matches a glob, or a failure naming the glob.
only_file() {
  local matches=($1)
  [ ${#matches[@]} -eq 1 ] && [ -f "${matches[0]}" ] ||
    fail "expected exactly one file matching $1, found: ${matches[*]}"
  echo "${matches[0]}"
}

# check_conversion LABEL EXAMPLES COMMAND...: runs COMMAND on a fresh copy of
# the demo example found in the folder EXAMPLES (the one a package ships),
# once in the default mode and once keeping positions, and compares exit
# code, console output and the board file written with the expected ones.
check_conversion() {
  local label=$1 examples=$2
  shift 2
  local mode args dir rc
  for mode in default keep; do
    args=(demo out)
    [ $mode = keep ] && args+=(x)
    dir=$(mktemp -d "$scratch/run.XXXXXX")
    cp "$examples/demo.pnl" "$examples/demo.pcb" "$dir"/ ||
      fail "$label: no examples/demo.pnl and demo.pcb in the package"
    rc=0
    (cd "$dir" && "$@" "${args[@]}" >console.out 2>stderr.out) || rc=$?
    local suffix=""
    [ $mode = keep ] && suffix=-keep
    [ $rc -eq 0 ] || fail "$label ($mode mode): exit code $rc, output: $(cat "$dir/console.out" "$dir/stderr.out")"
    [ -s "$dir/stderr.out" ] && fail "$label ($mode mode): wrote to stderr: $(cat "$dir/stderr.out")"
    cmp "$dir/console.out" "$expected/demo$suffix.console" ||
      fail "$label ($mode mode): console output differs from $expected/demo$suffix.console"
    cmp "$dir/out.pcb" "$expected/demo$suffix.pcb" ||
      fail "$label ($mode mode): out.pcb differs from $expected/demo$suffix.pcb"
  done
  echo "$label: converts examples/demo as expected, in both modes"
}

# The page must render without a warning, name the package's version and
# quote every console message.
check_manual() {
  local page=$1 version=$2 rc=0
  packaging/check-manual.sh "$page" "$version" || rc=$?
  [ $rc -eq 77 ] && fail "man and groff are needed to check the manual page"
  [ $rc -eq 0 ] || fail "the manual page $page"
}

build_linux() {
  echo "== Linux packages"
  cmake -S . -B "$work/linux" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DRELABEL_TESTS=OFF >/dev/null
  cmake --build "$work/linux" -j"$jobs"
  rm -f "$work"/linux/relabel*.tar.gz "$work"/linux/relabel*.deb
  (cd "$work/linux" && cpack)
  local deb tgz
  deb=$(only_file "$work/linux/relabel_*.deb")
  tgz=$(only_file "$work/linux/relabel-*-Linux.tar.gz")
  cp "$deb" "$tgz" "$out"/

  echo "== checking $(basename "$deb")"
  local root_dir=$scratch/deb-root
  dpkg-deb -x "$deb" "$root_dir"
  [ -x "$root_dir/usr/bin/relabel" ] || fail "the .deb holds no usr/bin/relabel"
  dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "the .deb declares no dependency on libc6"
  check_conversion ".deb usr/bin/relabel" "$root_dir/usr/share/doc/relabel/examples" \
    "$root_dir/usr/bin/relabel"
  check_manual "$root_dir/usr/share/man/man1/relabel.1" "$(dpkg-deb -f "$deb" Version)"

  echo "== checking $(basename "$tgz")"
  local tgz_dir=$scratch/tgz
  mkdir -p "$tgz_dir"
  tar -xzf "$tgz" -C "$tgz_dir"
  local top
  top=$(only_file "$tgz_dir/relabel-*/bin/relabel")
  check_conversion ".tar.gz bin/relabel" "${top%/bin/relabel}/share/doc/relabel/examples" "$top"
  local version=${tgz##*/relabel-}
  check_manual "${top%/bin/relabel}/share/man/man1/relabel.1" "${version%-Linux.tar.gz}"
}

build_windows() {
  echo "== Windows zip"
  if [ "${RELABEL_PACKAGES_WINDOWS:-1}" = 0 ]; then
    echo "SKIPPED: Windows zip (RELABEL_PACKAGES_WINDOWS=0)"
    return
  fi
  local missing=()
  for f in cmake/mingw-w64-x86_64.cmake src/runtime/platform_win32.cpp; do
    [ -f "$f" ] || missing+=("$f")
  done
  if [ ${#missing[@]} -ne 0 ]; then
    echo "SKIPPED: Windows zip: the cross build is not in this tree (missing: ${missing[*]})"
    return
  fi
  cmake -S . -B "$work/win64" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DRELABEL_TESTS=OFF >/dev/null
  cmake --build "$work/win64" -j"$jobs"
  rm -f "$work"/win64/relabel*.zip
  (cd "$work/win64" && cpack)
  local zip
  zip=$(only_file "$work/win64/relabel-*-win64.zip")
  cp "$zip" "$out"/

  echo "== checking $(basename "$zip")"
  local zip_dir=$scratch/zip
  mkdir -p "$zip_dir"
  unzip -q "$zip" -d "$zip_dir"
  local exe
  exe=$(only_file "$zip_dir/relabel-*-win64/relabel.exe")
  local top=${exe%/relabel.exe}
  local docs=(relabel.1 README.md)
  command -v groff >/dev/null && docs+=(relabel.txt)
  for f in "${docs[@]}"; do
    [ -f "$top/$f" ] || fail "the zip holds no $f beside relabel.exe"
  done
  local version=${zip##*/relabel-}
  check_manual "$top/relabel.1" "${version%-win64.zip}"
  # Wine keeps its state in the build tree, not in the user's home.
  export WINEPREFIX=$work/win64/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  timeout 300 wineboot -i >/dev/null 2>&1 || true
  check_conversion ".zip relabel.exe under wine" "$top/examples" timeout 120 wine "$exe"
}

mkdir -p "$out"
build_linux
build_windows
echo "== packages in $out:"
ls -l "$out"
