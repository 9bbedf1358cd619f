#!/usr/bin/env bash
# Builds the release packages into out/ and checks what they hold:
#   - Linux: relabel_<version>_<arch>.deb (shared libraries, as Debian
#     expects) and relabel-<version>-Linux.tar.gz (statically linked: it
#     must have no dynamic section and run with an empty environment);
#   - Windows: relabel-<version>-win64.zip and relabel-<version>-win32.zip,
#     when the mingw-w64 cross builds are set up in this tree (otherwise
#     that part is skipped, and says so).
# Each package is unpacked into a scratch folder; the program found there
# must convert examples/demo in both modes into exactly the files and
# console output of packaging/expected/ (the zips' under Wine of their word
# size), must end a run whose input is missing with the failure report, and
# the manual page found there must pass packaging/check-manual.sh.
# The .deb must pass lintian without an error (its warnings are printed)
# and carry its copyright notice, its changelog.gz and its manual page
# compressed. Every file of a zip but relabel.exe is text with CR LF line
# ends, and the zips carry the manual as plain text only.
#
# Environment: JOBS (parallel build jobs, default 2),
#              RELABEL_PACKAGES_WINDOWS=0 to skip the Windows zips.
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

# bare_line_feeds FILE: how many LF bytes of FILE have no CR before them.
bare_line_feeds() {
  od -An -v -tx1 "$1" | tr -s ' \n' '\n\n' |
    awk '$0 == "" { next } $0 == "0a" && previous != "0d" { n++ } { previous = $0 } END { print n + 0 }'
}

# check_crlf_text LABEL FILE [SOURCE]: FILE has CR LF line ends only, and,
# with SOURCE given, is SOURCE's text with its line ends made CR LF.
check_crlf_text() {
  local label=$1 file=$2 source=${3:-} bare
  bare=$(bare_line_feeds "$file")
  [ "$bare" -eq 0 ] || fail "$label: $bare line ends without CR in ${file##*/}"
  grep -q $'\r$' "$file" || fail "$label: ${file##*/} has no line end at all"
  if [ -n "$source" ]; then
    tr -d '\r' <"$file" | cmp -s - <(tr -d '\r' <"$source") ||
      fail "$label: ${file##*/} is not ${source#"$root"/} with CR LF line ends"
  fi
}

# check_lintian DEB: lintian finds no error in DEB; its warnings are shown.
check_lintian() {
  local deb=$1 rc=0 report
  command -v lintian >/dev/null || fail "lintian is needed to check the .deb"
  report=$(lintian --fail-on error "$deb" 2>&1) || rc=$?
  [ -z "$report" ] || printf '%s\n' "$report" | sed 's/^/  lintian: /'
  [ $rc -eq 0 ] || fail "lintian reports errors on $(basename "$deb")"
  echo "$(basename "$deb"): lintian finds no error ($(grep -c '^W: ' <<<"$report" || true) warnings)"
}

# check_failure_report LABEL MODULE COMMAND...: a run whose parts list is
# missing ends with exit code 1 and the two-line failure report after the
# banner, naming MODULE and an eight-digit position. Prints the position.
check_failure_report() {
  local label=$1 module=$2
  shift 2
  local dir rc=0 text
  dir=$(mktemp -d "$scratch/fail.XXXXXX")
  (cd "$dir" && "$@" missing out >console.out 2>&1) || rc=$?
  [ $rc -eq 1 ] || fail "$label (missing input): exit code $rc, not 1"
  text=$(cat "$dir/console.out"; echo .)
  local report=$'\r\nException EInOutError in module '"${module//./\\.}"$' at ([0-9A-F]{8})\\.\nFile not found\\.\r\n\\.$'
  [[ $text =~ $report ]] ||
    fail "$label (missing input): no failure report naming $module: $(cat -A "$dir/console.out")"
  echo "${BASH_REMATCH[1]}"
}

# check_position_in_code LABEL PROGRAM POSITION: the report's position,
# counted from the ELF program's load address (its first LOAD segment),
# lies in one of its executable segments.
check_position_in_code() {
  local label=$1 program=$2 position=$((16#$3))
  local type offset vaddr paddr filesz memsz rest base=""
  while read -r type offset vaddr paddr filesz memsz rest; do
    [ "$type" = LOAD ] || continue
    [ -n "$base" ] || base=$((vaddr))
    # rest: the flags (R, W, E) and the alignment
    if [[ ${rest% *} == *E* ]] &&
       [ $position -ge $((vaddr - base)) ] && [ $position -lt $((vaddr - base + memsz)) ]; then
      echo "$label: a failure report names the module relabel and a position in its code ($3)"
      return
    fi
  done < <(readelf -lW "$program")
  fail "$label: reported position $3 is not in the program's code"
}

build_deb() {
  echo "== Linux .deb (shared libraries)"
  cmake -S . -B "$work/linux" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DRELABEL_TESTS=OFF -DRELABEL_STATIC=OFF >/dev/null
  cmake --build "$work/linux" -j"$jobs"
  rm -f "$work"/linux/relabel*.deb
  (cd "$work/linux" && cpack)
  local deb
  deb=$(only_file "$work/linux/relabel_*.deb")
  cp "$deb" "$out"/

  echo "== checking $(basename "$deb")"
  local root_dir=$scratch/deb-root program
  dpkg-deb -x "$deb" "$root_dir"
  program=$root_dir/usr/bin/relabel
  [ -x "$program" ] || fail "the .deb holds no usr/bin/relabel"
  dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "the .deb declares no dependency on libc6"
  check_conversion ".deb usr/bin/relabel" "$root_dir/usr/share/doc/relabel/examples" "$program"
  local position
  position=$(check_failure_report ".deb usr/bin/relabel" relabel "$program")
  check_position_in_code ".deb usr/bin/relabel" "$program" "$position"
  local version doc=$root_dir/usr/share/doc/relabel
  version=$(dpkg-deb -f "$deb" Version)
  [ -f "$root_dir/usr/share/man/man1/relabel.1.gz" ] &&
    [ ! -e "$root_dir/usr/share/man/man1/relabel.1" ] ||
    fail "the .deb's manual page is not usr/share/man/man1/relabel.1.gz alone"
  gzip -dc "$root_dir/usr/share/man/man1/relabel.1.gz" >"$scratch/deb-relabel.1"
  check_manual "$scratch/deb-relabel.1" "$version"
  [ -f "$doc/copyright" ] || fail "the .deb holds no usr/share/doc/relabel/copyright"
  cmp -s "$doc/copyright" packaging/copyright ||
    fail "the .deb's copyright is not packaging/copyright"
  [ -f "$doc/changelog.gz" ] || fail "the .deb holds no usr/share/doc/relabel/changelog.gz"
  gzip -dc "$doc/changelog.gz" | head -1 | grep -qF "relabel ($version) " ||
    fail "the .deb's changelog does not start with version $version"
  echo ".deb: manual page compressed, copyright and changelog.gz (newest entry $version) in usr/share/doc/relabel"
  echo ".deb: Depends: $(dpkg-deb -f "$deb" Depends)"
  check_lintian "$deb"
}

build_tgz() {
  echo "== Linux .tar.gz (statically linked)"
  cmake -S . -B "$work/linux-static" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DRELABEL_TESTS=OFF -DRELABEL_STATIC=ON >/dev/null
  cmake --build "$work/linux-static" -j"$jobs"
  rm -f "$work"/linux-static/relabel*.tar.gz
  (cd "$work/linux-static" && cpack)
  local tgz
  tgz=$(only_file "$work/linux-static/relabel-*-Linux.tar.gz")
  cp "$tgz" "$out"/

  echo "== checking $(basename "$tgz")"
  local tgz_dir=$scratch/tgz program
  mkdir -p "$tgz_dir"
  tar -xzf "$tgz" -C "$tgz_dir"
  program=$(only_file "$tgz_dir/relabel-*/bin/relabel")
  # No dynamic section: no loader, no shared library, not even the C library.
  readelf -d "$program" | grep -q "no dynamic section" ||
    fail ".tar.gz bin/relabel is dynamically linked: $(readelf -d "$program" | grep NEEDED)"
  echo ".tar.gz bin/relabel: no dynamic section ($(file -b "$program" | cut -d, -f1-4))"
  # An empty environment: nothing from the build machine is needed.
  check_conversion ".tar.gz bin/relabel (env -i)" \
    "${program%/bin/relabel}/share/doc/relabel/examples" env -i "$program"
  local position
  position=$(check_failure_report ".tar.gz bin/relabel" relabel env -i "$program")
  check_position_in_code ".tar.gz bin/relabel" "$program" "$position"
  local version=${tgz##*/relabel-}
  check_manual "${program%/bin/relabel}/share/man/man1/relabel.1" "${version%-Linux.tar.gz}"
  local f
  for f in README.md NEWS.md packaging/copyright; do
    cmp -s "${program%/bin/relabel}/share/doc/relabel/${f##*/}" "$root/$f" ||
      fail ".tar.gz: share/doc/relabel/${f##*/} is missing or is not the tree's $f"
  done
  echo ".tar.gz: README.md, NEWS.md and copyright in share/doc/relabel"
}

# build_zip NAME TOOLCHAIN [WINEARCH]: the zip for 64-bit (win64) or 32-bit
# (win32) Windows, checked under Wine of the same word size.
build_zip() {
  local name=$1 toolchain=$2 winearch=${3:-}
  echo "== Windows zip ($name)"
  if [ "${RELABEL_PACKAGES_WINDOWS:-1}" = 0 ]; then
    echo "SKIPPED: Windows zip $name (RELABEL_PACKAGES_WINDOWS=0)"
    return
  fi
  local missing=()
  for f in "$toolchain" src/runtime/platform_win32.cpp; do
    [ -f "$f" ] || missing+=("$f")
  done
  if [ ${#missing[@]} -ne 0 ]; then
    echo "SKIPPED: Windows zip $name: the cross build is not in this tree (missing: ${missing[*]})"
    return
  fi
  cmake -S . -B "$work/$name" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/$toolchain" -DRELABEL_TESTS=OFF >/dev/null
  cmake --build "$work/$name" -j"$jobs"
  rm -f "$work/$name"/relabel*.zip
  (cd "$work/$name" && cpack)
  local zip
  zip=$(only_file "$work/$name/relabel-*-$name.zip")
  cp "$zip" "$out"/

  echo "== checking $(basename "$zip")"
  local zip_dir=$scratch/$name
  mkdir -p "$zip_dir"
  unzip -q "$zip" -d "$zip_dir"
  local exe
  exe=$(only_file "$zip_dir/relabel-*-$name/relabel.exe")
  local top=${exe%/relabel.exe}
  local version=${zip##*/relabel-}
  version=${version%-$name.zip}
  # Exactly these files: the program, and text for Notepad beside it.
  local expected_files=(COPYRIGHT.txt NEWS.txt README.txt examples/demo.pcb
                        examples/demo.pnl relabel.exe relabel.txt)
  local found_files
  found_files=$(cd "$top" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
  [ "$found_files" = "${expected_files[*]} " ] ||
    fail "the $name zip holds: $found_files; expected: ${expected_files[*]}"
  local f
  for f in "${expected_files[@]}"; do
    [ "$f" = relabel.exe ] || check_crlf_text "$name zip" "$top/$f"
  done
  check_crlf_text "$name zip" "$top/README.txt" "$root/packaging/README-windows.txt"
  check_crlf_text "$name zip" "$top/NEWS.txt" "$root/NEWS.md"
  check_crlf_text "$name zip" "$top/COPYRIGHT.txt" "$root/packaging/copyright"
  check_crlf_text "$name zip" "$top/examples/demo.pnl" "$root/examples/demo.pnl"
  check_crlf_text "$name zip" "$top/examples/demo.pcb" "$root/examples/demo.pcb"
  grep -q "^relabel $version  *[A-Z][a-z]* [0-9]\{4\}  *RELABEL(1)"$'\r$' "$top/relabel.txt" ||
    fail "the $name zip's relabel.txt is not the manual of relabel $version"
  echo ".zip ($name): every text file has CR LF line ends; the manual is plain text only"
  # Wine keeps its state in the build tree, not in the user's home; one
  # prefix per word size.
  (
    export WINEPREFIX=$work/$name/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -n "$winearch" ] && export WINEARCH=$winearch
    mkdir -p "$WINEPREFIX"
    timeout 300 wineboot -i >/dev/null 2>&1 || true
    check_conversion ".zip ($name) relabel.exe under wine" "$top/examples" timeout 120 wine "$exe"
    check_failure_report ".zip ($name) relabel.exe under wine" relabel.exe \
      timeout 120 wine "$exe" >/dev/null
    echo ".zip ($name) relabel.exe under wine: a failure report names the module relabel.exe"
  )
}

mkdir -p "$out"
build_deb
build_tgz
build_zip win64 cmake/mingw-w64-x86_64.cmake
build_zip win32 cmake/mingw-w64-i686.cmake win32
echo "== packages in $out:"
ls -l "$out"
