#!/usr/bin/env bash
# Checks that the README and the manual page tell the same story:
#   - the console messages, failure reports and exit codes that README.md
#     lists (the first column of its tables under "Console messages",
#     "Failure reports" and "Exit codes") are, in the same order, the
#     tagged items of the manual's CONSOLE MESSAGES, FAILURE REPORT and
#     EXIT STATUS sections, with the manual's italic placeholders written
#     as plain words;
#   - with VERSION given: the newest release in NEWS.md is VERSION and the
#     README names VERSION as the package version.
#
# Usage: check-docs.sh [VERSION]
# Exits 0 when they agree, 1 otherwise.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
readme=$root/README.md
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

compare() {
  local readme_section=$1 manual_section=$2 from_readme from_manual
  from_readme=$(readme_items "$readme_section")
  from_manual=$(manual_items "$manual_section")
  [ -n "$from_manual" ] || fault "the manual has no items under $manual_section"
  if [ "$from_readme" != "$from_manual" ]; then
    fault "README \"$readme_section\" and manual $manual_section differ (< README, > manual):"
    diff <(echo "$from_readme") <(echo "$from_manual") >&2 || true
  else
    echo "check-docs: README \"$readme_section\" = manual $manual_section ($(wc -l <<<"$from_manual") items)"
  fi
}

compare "Console messages" "CONSOLE MESSAGES"
compare "Failure reports" "FAILURE REPORT"
compare "Exit codes" "EXIT STATUS"

if [ -n "$version" ]; then
  newest=$(grep -m1 -E '^## [0-9]' "$news" | cut -d' ' -f2 || true)
  [ "$newest" = "$version" ] ||
    fault "the newest release in NEWS.md is \"$newest\", the package version is $version"
  grep -qF "package version is $version." "$readme" ||
    fault "README.md does not say \"package version is $version.\""
fi

[ $faults -eq 0 ] || exit 1
echo "check-docs: README, manual${version:+ and NEWS.md} agree"
