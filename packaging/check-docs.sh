#!/usr/bin/env bash
# Checks that the READMEs and the manual page tell the same story:
#   - the console messages, failure reports and exit codes that README.md
#     lists (the first column of its tables under "Console messages",
#     "Failure reports" and "Exit codes") are, in the same order, the
#     tagged items of the manual's CONSOLE MESSAGES, FAILURE REPORT and
#     EXIT STATUS sections, with the manual's italic placeholders written
#     as plain words;
#   - so are the items of the zips' README for Windows
#     (packaging/README-windows.txt: the lines indented by two blanks under
#     WHAT IT PRINTS, WHEN A RUN FAILS and EXIT CODES AND %ERRORLEVEL%),
#     which also explains %ERRORLEVEL% and says nothing of the build tools
#     or of Linux's flock, ulimit, errno and .deb;
#   - LICENSE and packaging/copyright give the same license text, and the
#     README's copyright section names it;
#   - with VERSION given: the newest release in NEWS.md is VERSION and the
#     README names VERSION as the package version.
#
# Usage: check-docs.sh [VERSION]
# Exits 0 when they agree, 1 otherwise.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
readme=$root/README.md
windows_readme=$root/packaging/README-windows.txt
manual=$root/man/relabel.1
news=$root/NEWS.md
version=${1:-}

faults=0
fault() {
  echo "check-docs: $*" >&2
  faults=$((faults + 1))
}

# The tag of every .TP item of the manual section $1, as the reader sees
# it: macro arguments joined (with blanks for .B and .I, without for the
# alternating-font macros), font changes dropped, escapes undone.
manual_items() {
  LC_ALL=C awk -v want="$1" '
    function unescape(s) {
      gsub(/\\f[BIRP]/, "", s); gsub(/\\&/, "", s); gsub(/\\-/, "-", s)
      gsub(/\\\(dq|\\\(lq|\\\(rq/, "\"", s); gsub(/\\\(en/, "-", s)
      gsub(/\\e/, "\\", s)
      return s
    }
    function tag(line,    macro, rest, out, sep, c, word, n) {
      if (line !~ /^\./) return line
      macro = line; sub(/[ \t].*/, "", macro)
      rest = substr(line, length(macro) + 1)
      sep = (macro == ".B" || macro == ".I") ? " " : ""
      out = ""; n = 0
      while (length(rest) > 0) {
        c = substr(rest, 1, 1)
        if (c == " " || c == "\t") { rest = substr(rest, 2); continue }
        if (c == "\"") {
          rest = substr(rest, 2)
          word = rest; sub(/".*/, "", word)
          rest = substr(rest, length(word) + 2)
        } else {
          word = rest; sub(/[ \t].*/, "", word)
          rest = substr(rest, length(word) + 1)
        }
        out = out (n++ ? sep : "") word
      }
      return unescape(out)
    }
    /^\.SH / { section = substr($0, 5); gsub(/"/, "", section); next }
    section != want { next }
    /^\.TP/ { take = 1; next }
    take { print tag($0); take = 0 }
  ' "$manual"
}

# The first cell of every table row under the README heading "## $1", the
# text between its first pair of backticks.
readme_items() {
  LC_ALL=C awk -v want="$1" -F'`' '
    /^## / { section = substr($0, 4); next }
    section == want && /^\| `/ { print $2 }
  ' "$readme"
}

# The items of the Windows README's section headed $1 (a line of capitals):
# its lines indented by exactly two blanks.
windows_items() {
  LC_ALL=C awk -v want="$1" '
    /^[A-Z][A-Z %,]*$/ { section = $0; next }
    section == want && /^  [^ ]/ { sub(/^  /, ""); sub(/\r$/, ""); print }
  ' "$windows_readme"
}

# compare LABEL ITEMS_FUNCTION README_SECTION MANUAL_SECTION
compare() {
  local label=$1 items=$2 readme_section=$3 manual_section=$4 from_readme from_manual
  from_readme=$($items "$readme_section")
  from_manual=$(manual_items "$manual_section")
  [ -n "$from_manual" ] || fault "the manual has no items under $manual_section"
  if [ "$from_readme" != "$from_manual" ]; then
    fault "$label \"$readme_section\" and manual $manual_section differ (< $label, > manual):"
    diff <(echo "$from_readme") <(echo "$from_manual") >&2 || true
  else
    echo "check-docs: $label \"$readme_section\" = manual $manual_section ($(wc -l <<<"$from_manual") items)"
  fi
}

compare README readme_items "Console messages" "CONSOLE MESSAGES"
compare README readme_items "Failure reports" "FAILURE REPORT"
compare README readme_items "Exit codes" "EXIT STATUS"
compare "Windows README" windows_items "WHAT IT PRINTS" "CONSOLE MESSAGES"
compare "Windows README" windows_items "WHEN A RUN FAILS" "FAILURE REPORT"
compare "Windows README" windows_items "EXIT CODES AND %ERRORLEVEL%" "EXIT STATUS"

# A Windows user runs relabel.exe from a command prompt and builds nothing.
if grep -niwE 'cmake|mingw|ctest|g\+\+|wine' "$windows_readme" >&2; then
  fault "the Windows README names build tools (lines above)"
fi
if grep -niE 'flock|ulimit|errno|\.deb' "$windows_readme" >&2; then
  fault "the Windows README speaks of Linux (lines above)"
fi

# The license: LICENSE's text from "Permission" on, and packaging/copyright's
# Expat paragraph with Debian's leading blank and "." lines undone.
words() { tr -s ' \n' '  ' | sed 's/^ //; s/ $//'; }
license_text=$(sed -n '/^Permission/,$p' "$root/LICENSE" | words)
copyright_text=$(sed -n '/^ Permission/,$p' "$root/packaging/copyright" |
  sed 's/^ \.$//; s/^ //' | words)
[ -n "$license_text" ] && [ "$license_text" = "$copyright_text" ] ||
  fault "packaging/copyright's Expat text is not LICENSE's"
grep -q '^Copyright (c) 2026 the relabel developers$' "$root/LICENSE" ||
  fault "LICENSE does not name the relabel developers"
LC_ALL=C awk '/^## / { section = substr($0, 4) } section == "Copyright"' "$readme" |
  grep -q 'MIT license' || fault "the README's Copyright section does not name the MIT license"
grep -qF '%ERRORLEVEL%' "$windows_readme" ||
  fault "the Windows README does not explain %ERRORLEVEL%"
grep -qiE '^ *for %%' "$windows_readme" ||
  fault "the Windows README has no batch loop (for %%f in ...)"

if [ -n "$version" ]; then
  newest=$(grep -m1 -E '^## [0-9]' "$news" | cut -d' ' -f2 || true)
  [ "$newest" = "$version" ] ||
    fault "the newest release in NEWS.md is \"$newest\", the package version is $version"
  grep -qF "package version is $version." "$readme" ||
    fault "README.md does not say \"package version is $version.\""
fi

[ $faults -eq 0 ] || exit 1
echo "check-docs: README, manual${version:+ and NEWS.md} agree"
