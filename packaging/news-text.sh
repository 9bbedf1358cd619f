#!/bin/sh
# Writes the release notes NEWS.md as plain text, for the Windows zips'
# NEWS.txt, which Notepad shows as it is: headings become lines underlined
# with = (the title) and - (a release), a subheading ends with a colon,
# and the backticks and ** of code and emphasis are dropped. Lists and
# paragraphs read as plain text already.
#
# Usage: news-text.sh NEWS.md > NEWS-plain.txt
set -eu
LC_ALL=C awk '
  function underline(text, c,    line) {
    line = text; gsub(/./, c, line); return line
  }
  { gsub(/`/, ""); gsub(/\*\*/, "") }
  /^# /   { t = substr($0, 3); print t; print underline(t, "="); next }
  /^## /  { t = substr($0, 4); print t; print underline(t, "-"); next }
  /^### / { print substr($0, 5) ":"; next }
  { print }
' "$1"
