#!/usr/bin/env bash
# Checks relabel's manual page:
#   - man and groff render it without a warning, also as the Windows zips
#     have it (groff -rwindows=1), where it names none of flock, ulimit,
#     errno and .deb;
#   - its title line names the given version (when one is given);
#   - it quotes, word for word, every console message that the conversion
#     prints (the string literals of print()/print_line() in src/convert/),
#     so that a message changed or added in the code cannot go undocumented.
#
# Usage: check-manual.sh PAGE [VERSION]
# Exits 0 when the page passes, 1 on a fault, 77 when man or groff is missing.
set -euo pipefail

page=$1
version=${2:-}
sources=$(cd "$(dirname "$0")/.." && pwd)/src/convert

for tool in man groff; do
  if ! command -v $tool >/dev/null; then
    echo "check-manual: $tool is not installed" >&2
    exit 77
  fi
done
[ -f "$page" ] || { echo "check-manual: no page at $page" >&2; exit 1; }

faults=0
fault() {
  echo "check-manual: $page: $*" >&2
  faults=$((faults + 1))
}

warnings=$( { man -l --warnings "$page" >/dev/null; } 2>&1) || fault "man -l fails: $warnings"
[ -z "$warnings" ] || fault "man -l warns: $warnings"
warnings=$(groff -man -ww -z "$page" 2>&1) || fault "groff fails: $warnings"
[ -z "$warnings" ] || fault "groff warns: $warnings"
warnings=$(groff -man -ww -z -rwindows=1 "$page" 2>&1) ||
  fault "groff -rwindows=1 fails: $warnings"
[ -z "$warnings" ] || fault "groff -rwindows=1 warns: $warnings"
linux_words=$(groff -man -Tascii -P-cbou -rwindows=1 "$page" 2>/dev/null |
  grep -ioE 'flock|ulimit|errno|\.deb' | sort -u | tr '\n' ' ') || true
[ -z "$linux_words" ] || fault "rendered for Windows it names $linux_words"

if [ -n "$version" ]; then
  grep -q "^\.TH .*\"relabel $version\"" "$page" ||
    fault "its .TH line does not name relabel $version"
fi

# The page as plain text on long lines, without hyphenation, and with runs
# of blanks and line ends made one blank, so that a message is found
# wherever the page happens to break or justify it.
flatten() { tr -s ' \n' '  '; }
text=$(groff -man -Tascii -P-cbou -rHY=0 -rLL=250n "$page" 2>/dev/null | flatten)

# Each literal, with its C escapes undone and its outer blanks dropped. A
# message that starts with a file extension follows a name that the page
# writes as a placeholder, so the extension is dropped too.
count=0
while IFS= read -r literal; do
  message=$(sed -e 's/^print\(_line\)\?("//' -e 's/")$//' -e 's/\\"/"/g' \
                -e 's/\\\\/\\/g' <<<"$literal" | flatten)
  message=${message# }
  message=${message% }
  message=${message#.pnl }
  message=${message#.pcb }
  [ -n "$message" ] || continue
  count=$((count + 1))
  grep -qF -- "$message" <<<"$text" || fault "does not quote the console message \"$message\""
done < <(grep -ohE 'print(_line)?\("([^"\\]|\\.)*"\)' "$sources"/*.cpp)
[ $count -gt 0 ] || fault "found no console messages in $sources"

[ $faults -eq 0 ] || exit 1
echo "check-manual: $page renders cleanly and quotes all $count console messages"
