#!/usr/bin/env bash
# Builds the release packages into out/ and checks what they hold:
#   - Linux: relabel_<version>_<arch>.deb (shared libraries, as Debian
#     expects) and relabel-<version>-Linux.tar.gz (statically linked: it
#     must have no dynamic section and run with an empty environment);
#   - Windows: relabel-<version>-win64.zip and relabel-<version>-win32.zip,
#     each when its cross compiler and Wine are there; otherwise that zip
#     is skipped with one line naming what is missing. On a machine whose
#     kernel runs no 32-bit programs the 32-bit zip is built and checked
#     but not run, and a line says so.
# Each package is unpacked into a scratch folder; the program found there
# must convert examples/demo in both modes into exactly the files and
# console output of packaging/expected/ (the zips' under Wine of their word
# size), must end a run whose input is missing with the failure report,
# must carry its version as text (and relabel.exe in its version resource),
# and the manual page found there must pass packaging/check-manual.sh.
# The .deb must pass lintian without an error (its warnings are printed)
# and carry its copyright notice, its changelog.gz and its manual page
# compressed. Every file of a zip but relabel.exe is text with CR LF line
# ends; the zips carry the license (LICENSE.txt), the release notes without
# Markdown markup and the manual as plain text only, rendered for Windows:
# it names none of flock, ulimit, errno and .deb.
#
# The packages are reproducible: every time stamp in them is the commit's
# (SOURCE_DATE_EPOCH), their entries are in a fixed order with fixed modes
# and owner root. To show it, every package is built a second time in
# build folders of its own and must come out byte for byte the same.
#
# Environment: JOBS (parallel build jobs, default 2);
#   RELABEL_PACKAGES_WINDOWS: unset builds the zips that can be built and
#     skips the others with one line; 1 requires both (a missing tool is a
#     failure naming what to install); 0 skips them;
#   RELABEL_PACKAGES_TWICE=0 skips the second build and the comparison;
#   SOURCE_DATE_EPOCH: the packages' time stamp, by default the commit's.
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
# Also holds each zip's Wine prefix (its Windows folder and registry).
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "build-packages: FAILED: $*" >&2
  exit 1
}

# Every time stamp in the packages is this one: the commit's time, unless
# the caller gives SOURCE_DATE_EPOCH. Zip entries keep local time: UTC.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    fail "not a git checkout: set SOURCE_DATE_EPOCH to the time the packages should carry"
fi
export SOURCE_DATE_EPOCH TZ=UTC

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

# normalize_tree DIR: every file and folder under DIR gets the time
# SOURCE_DATE_EPOCH and a fixed mode: 0755 for folders and programs, 0644
# for everything else.
normalize_tree() {
  local dir=$1
  find "$dir" -type d -exec chmod 0755 {} +
  find "$dir" -type f -perm /111 -exec chmod 0755 {} +
  find "$dir" -type f ! -perm /111 -exec chmod 0644 {} +
  find "$dir" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# repack KIND IN OUT: writes the package IN (as CPack made it) to OUT with
# the same files, in the same layout, but nothing of when or by whom it was
# built: the entries sorted by name, every time stamp SOURCE_DATE_EPOCH,
# fixed modes, owner and group root (the zip format has no owner).
repack() {
  local kind=$1 in=$2 out_file=$3 dir
  dir=$(mktemp -d "$scratch/repack.XXXXXX")
  rm -f "$out_file"
  case $kind in
    deb)
      # dpkg-deb sorts the entries, and takes SOURCE_DATE_EPOCH for the
      # archive's own time stamps.
      dpkg-deb -R "$in" "$dir/tree"
      normalize_tree "$dir/tree"
      dpkg-deb --root-owner-group -Zxz --build "$dir/tree" "$out_file" >/dev/null ;;
    tgz)
      tar -xzf "$in" -C "$dir"
      normalize_tree "$dir"
      (cd "$dir" && LC_ALL=C tar --sort=name --format=gnu --owner=0 --group=0 \
        --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" -cf - -- *) | gzip -9n >"$out_file" ;;
    zip)
      # -X: no extra fields (owner, precise times); the DOS times are UTC.
      unzip -q "$in" -d "$dir"
      normalize_tree "$dir"
      (cd "$dir" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort |
        zip -q -X -9 -@ "$out_file") ;;
  esac
  rm -rf "$dir"
}

# make_package KIND BUILD DEST [CMAKE OPTIONS...]: configures and builds
# relabel afresh in BUILD, packs it with CPack and writes the package,
# repacked, into the folder DEST. Prints the package's path. Afresh: the
# linker writes SOURCE_DATE_EPOCH into relabel.exe, and a program left
# from another commit would keep that commit's time.
make_package() {
  local kind=$1 build=$2 dest=$3
  shift 3
  rm -rf "$build"
  cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DRELABEL_TESTS=OFF -DRELABEL_BENCH=OFF "$@" >/dev/null
  cmake --build "$build" -j"$jobs" >&2
  (cd "$build" && cpack >&2)
  local made
  case $kind in
    deb) made=$(only_file "$build/relabel_*.deb") ;;
    tgz) made=$(only_file "$build/relabel-*-Linux.tar.gz") ;;
    zip) made=$(only_file "$build/relabel-*-win*.zip") ;;
  esac
  mkdir -p "$dest"
  repack "$kind" "$made" "$dest/${made##*/}"
  echo "$dest/${made##*/}"
}

# The options and package kind of each build: NAME KIND [CMAKE OPTIONS...].
build_options() {
  case $1 in
    linux) echo deb -DRELABEL_STATIC=OFF ;;
    linux-static) echo tgz -DRELABEL_STATIC=ON ;;
    win64) echo zip -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" ;;
    win32) echo zip -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" ;;
  esac
}

# check_version_text LABEL PROGRAM VERSION: the program holds
# "@(#)relabel VERSION", where strings and what find it.
check_version_text() {
  strings -a "$2" | grep -xF "@(#)relabel $3" >/dev/null ||
    fail "$1: strings finds no \"relabel $3\" in it"
  echo "$1: strings finds \"@(#)relabel $3\""
}

check_deb() {
  local deb=$1
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
  check_version_text ".deb usr/bin/relabel" "$program" "$version"
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

check_tgz() {
  local tgz=$1
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
  version=${version%-Linux.tar.gz}
  check_version_text ".tar.gz bin/relabel" "$program" "$version"
  check_manual "${program%/bin/relabel}/share/man/man1/relabel.1" "$version"
  local f
  for f in README.md NEWS.md packaging/copyright; do
    cmp -s "${program%/bin/relabel}/share/doc/relabel/${f##*/}" "$root/$f" ||
      fail ".tar.gz: share/doc/relabel/${f##*/} is missing or is not the tree's $f"
  done
  echo ".tar.gz: README.md, NEWS.md and copyright in share/doc/relabel"
}

# The tools the zip NAME (win64 or win32) needs, as "command:package"; the
# Wine loader of its word size comes first. Debian's /usr/bin/wine starts
# the 32-bit loader whenever wine32 is installed, so the 64-bit zip asks
# for the 64-bit loader itself.
zip_tools() {
  case $1 in
    win64)
      local wine64=wine64
      command -v wine64 >/dev/null || [ ! -x /usr/lib/wine/wine64 ] || wine64=/usr/lib/wine/wine64
      echo "$wine64:wine64 x86_64-w64-mingw32-g++-win32:g++-mingw-w64-x86-64" \
           "x86_64-w64-mingw32-windres:binutils-mingw-w64-x86-64" ;;
    win32)
      local wine32=wine
      [ ! -x /usr/lib/wine/wine ] || wine32=/usr/lib/wine/wine
      echo "$wine32:wine32:i386 i686-w64-mingw32-g++-win32:g++-mingw-w64-i686" \
           "i686-w64-mingw32-windres:binutils-mingw-w64-i686" ;;
  esac
  echo "zip:zip unzip:unzip"
}

# zip_missing NAME: what the zip NAME lacks, as one line naming the
# packages to install; empty when it can be built and run.
zip_missing() {
  local name=$1 tool missing=() packages=()
  for tool in $(zip_tools "$name"); do
    command -v "${tool%%:*}" >/dev/null && continue
    missing+=("${tool%%:*}")
    packages+=("${tool#*:}")
  done
  if [ ${#missing[@]} -ne 0 ]; then
    echo "no ${missing[*]}; install ${packages[*]} (.ci/packages.sh does)"
    return
  fi
}

check_zip() {
  local zip=$1 name=$2 winearch=${3:-}
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
  local expected_files=(LICENSE.txt NEWS.txt README.txt examples/demo.pcb
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
  sh "$root/packaging/news-text.sh" "$root/NEWS.md" >"$scratch/news-plain.txt"
  check_crlf_text "$name zip" "$top/NEWS.txt" "$scratch/news-plain.txt"
  if grep -nE '`|\*\*|^#' "$top/NEWS.txt" >&2; then
    fail "the $name zip's NEWS.txt has Markdown markup (lines above)"
  fi
  check_crlf_text "$name zip" "$top/LICENSE.txt" "$root/LICENSE"
  check_crlf_text "$name zip" "$top/examples/demo.pnl" "$root/examples/demo.pnl"
  check_crlf_text "$name zip" "$top/examples/demo.pcb" "$root/examples/demo.pcb"
  grep -q "^relabel $version  *[A-Z][a-z]* [0-9]\{4\}  *RELABEL(1)"$'\r$' "$top/relabel.txt" ||
    fail "the $name zip's relabel.txt is not the manual of relabel $version"
  if grep -niE 'flock|ulimit|errno|\.deb' "$top/relabel.txt" >&2; then
    fail "the $name zip's relabel.txt speaks of Linux (lines above)"
  fi
  echo ".zip ($name): every text file has CR LF line ends; LICENSE.txt is LICENSE;" \
       "NEWS.txt is plain text; the manual is plain text only and names no Linux tool"
  check_version_text ".zip ($name) relabel.exe" "$exe" "$version"
  local key
  for key in FileVersion ProductVersion; do
    [ "$(strings -a -el "$exe" | grep -xA1 "$key" | tail -1)" = "$version" ] ||
      fail ".zip ($name) relabel.exe: strings -el finds no $key $version"
  done
  echo ".zip ($name) relabel.exe: strings -el finds FileVersion and ProductVersion $version"
  local wine error
  wine=$(zip_tools "$name" | head -1 | cut -d' ' -f1 | cut -d: -f1)
  # Some machines' kernels run no 32-bit programs (no IA-32 emulation), so
  # no 32-bit Wine starts there: the zip is built and checked, not run.
  if ! error=$("$wine" --version 2>&1); then
    echo "NOT RUN: .zip ($name) relabel.exe under wine: $wine does not start" \
         "(${error##*: }); this machine does not run ${name#win}-bit programs"
    return
  fi
  # Wine keeps its state in the scratch folder, not in the user's home:
  # one prefix per word size, its server stopped when the checks end.
  (
    export WINEPREFIX=$scratch/wine-$name WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [ -n "$winearch" ] && export WINEARCH=$winearch
    trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
    mkdir -p "$WINEPREFIX"
    timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || true
    check_conversion ".zip ($name) relabel.exe under wine" "$top/examples" timeout 120 "$wine" "$exe"
    check_failure_report ".zip ($name) relabel.exe under wine" relabel.exe \
      timeout 120 "$wine" "$exe" >/dev/null
    echo ".zip ($name) relabel.exe under wine: a failure report names the module relabel.exe"
  )
}

# The zips this run builds: each one whose tools are there; with
# RELABEL_PACKAGES_WINDOWS=1 a missing tool fails, with 0 none is built.
zips=()
select_zips() {
  local name why
  for name in win64 win32; do
    if [ "${RELABEL_PACKAGES_WINDOWS:-}" = 0 ]; then
      echo "SKIPPED: the $name zip (RELABEL_PACKAGES_WINDOWS=0)"
      continue
    fi
    why=$(zip_missing "$name")
    if [ -n "$why" ]; then
      [ "${RELABEL_PACKAGES_WINDOWS:-}" = 1 ] && fail "the $name zip: $why"
      echo "SKIPPED: the $name zip: $why"
      continue
    fi
    zips+=("$name")
  done
}

select_zips
mkdir -p "$out"
rm -f "$out"/relabel[-_]*
builds=(linux linux-static "${zips[@]}")
declare -A package
for name in "${builds[@]}"; do
  read -r kind options <<<"$(build_options "$name")"
  echo "== building the $kind ($name)"
  # shellcheck disable=SC2086  # the options are words without blanks
  package[$name]=$(make_package "$kind" "$work/$name" "$out" $options)
done
check_deb "${package[linux]}"
check_tgz "${package[linux-static]}"
for name in "${zips[@]}"; do
  winearch=""
  [ "$name" = win32 ] && winearch=win32
  check_zip "${package[$name]}" "$name" $winearch
done

# The same tree built again, in build folders of its own, must give the
# same packages, byte for byte.
if [ "${RELABEL_PACKAGES_TWICE:-1}" != 0 ]; then
  echo "== building every package a second time, in $work/again"
  rm -rf "$work/again"
  for name in "${builds[@]}"; do
    read -r kind options <<<"$(build_options "$name")"
    # shellcheck disable=SC2086
    again=$(make_package "$kind" "$work/again/$name" "$scratch/again" $options \
              2>"$scratch/again-$name.log") ||
      { cat "$scratch/again-$name.log" >&2; fail "the second build of the $kind ($name)"; }
    cmp "${package[$name]}" "$again" ||
      fail "$(basename "$again") differs between two builds of the same tree"
    echo "reproducible: $(basename "$again") is the same, byte for byte, from a second build"
  done
  rm -rf "$work/again"
fi
echo "== packages in $out:"
ls -l "$out"
