#!/bin/sh
# Writes the release notes NEWS.md as a Debian changelog on standard output,
# for the .deb's usr/share/doc/relabel/changelog.gz: one entry per release,
# newest first, as in NEWS.md.
#
# A release is a "## VERSION (YYYY-MM-DD)" heading; an "## Unreleased"
# section lists changes that no version carries yet and is left out. The
# newest release must be the package's own version: a package built from a
# version that NEWS.md does not describe fails here.
# In a section, "- " items become "* " items, "### Heading" becomes
# "[ Heading ]", and everything is indented as the format asks.
# Each entry is dated at midnight UTC of its day; releases made on the same
# day get an hour more for each one after the first, since Debian's
# checker wants every entry newer than the one below it. (NEWS.md is read
# twice: first to count the releases of each day.)
#
# Usage: debian-changelog.sh NEWS.md PACKAGE VERSION MAINTAINER
set -eu
[ $# -eq 4 ] || { echo "usage: $0 NEWS.md PACKAGE VERSION MAINTAINER" >&2; exit 2; }

LC_ALL=C awk -v package="$2" -v version="$3" -v maintainer="$4" '
function fail(text) { print "debian-changelog: " FILENAME ":" FNR ": " text > "/dev/stderr"; failed = 1; exit 1 }

# "Wed, 09 Dec 2026 HH:00:00 +0000" for 2026-12-09 (Sakamoto weekday).
function rfc_date(iso, hour,    p, y, m, d, t, w) {
  split(iso, p, "-"); y = p[1] + 0; m = p[2] + 0; d = p[3] + 0
  split("0 3 2 5 0 3 5 1 4 6 2 4", t, " ")
  w = m < 3 ? y - 1 : y
  w = (w + int(w / 4) - int(w / 100) + int(w / 400) + t[m] + d) % 7
  return sprintf("%s, %02d %s %04d %02d:00:00 +0000", days[w + 1], d, months[m], y, hour)
}

function flush_entry(    i) {
  if (entry_version == "") return
  while (n > 0 && lines[n] == "") n--
  if (n == 0) fail("release " entry_version " has no notes")
  if (entries++) print ""
  printf "%s (%s) unstable; urgency=medium\n\n", package, entry_version
  for (i = 1; i <= n; i++) print lines[i]
  printf "\n -- %s  %s\n", maintainer, entry_date
  entry_version = ""; n = 0
}

BEGIN {
  split("Sun Mon Tue Wed Thu Fri Sat", days, " ")
  split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", months, " ")
  in_release = 0
}

# First reading: how many releases each day has.
NR == FNR {
  if ($0 ~ /^## [0-9]/) releases_on[substr($3, 2, 10)]++
  next
}

/^## / {
  flush_entry()
  in_release = 0
  if ($0 ~ /^## Unreleased/) next
  if ($0 !~ /^## [0-9][0-9.]* \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/)
    fail("not a release heading \"## VERSION (YYYY-MM-DD)\": " $0)
  entry_version = $2
  day = substr($3, 2, 10)
  entry_date = rfc_date(day, releases_on[day] - 1 - newer_on[day]++)
  if (entries == 0 && entry_version != version)
    fail("the newest release is " entry_version ", the package is " version)
  in_release = 1; n = 0
  next
}

!in_release { next }

{
  line = $0
  sub(/[ \t\r]+$/, "", line)
  if (line == "") { if (n > 0 && lines[n] != "") lines[++n] = ""; next }
  if (line ~ /^### /) line = "  [ " substr(line, 5) " ]"
  else if (line ~ /^- /) line = "  * " substr(line, 3)
  else if (line ~ /^  /) line = "  " line
  else line = "  " line
  lines[++n] = line
}

END {
  if (failed) exit 1
  flush_entry()
  if (entries == 0) { print "debian-changelog: " FILENAME ": no release" > "/dev/stderr"; exit 1 }
}
' "$1" "$1"
