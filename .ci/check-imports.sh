#!/usr/bin/env bash
# check-imports.sh OBJDUMP EXE FLOOR: EXE loads on FLOOR, the oldest Windows
# it is to run on ("Windows XP with SP3" or "Windows XP Professional x64
# Edition"). Fails, naming each one, for an imported function that
# .ci/windows-imports.txt does not list or dates after FLOOR, and for PE
# headers that ask for a newer Windows than FLOOR. Prints the import count
# per DLL.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 OBJDUMP EXE FLOOR" >&2
  exit 2
fi
objdump=$1 exe=$2 floor=$3
list=$(dirname "$0")/windows-imports.txt

# The versions a floor takes in and the version its PE headers may ask
# for. XP Professional x64 Edition is built on the code of Windows Server
# 2003 SP1, which has what XP SP2 added but not what XP SP3 added later.
case $floor in
  "Windows XP with SP3")
    accepted="Windows 2000 Professional|Windows XP|Windows XP with SP2|Windows XP with SP3"
    headers=5.1 ;;
  "Windows XP Professional x64 Edition")
    accepted="Windows 2000 Professional|Windows XP|Windows XP with SP2|Windows XP Professional x64 Edition"
    headers=5.2 ;;
  *) echo "check-imports.sh: unknown floor: $floor" >&2; exit 2 ;;
esac

dump=$("$objdump" -p "$exe")
rc=0

# Each import as "dll function" (dll in lower case; "#N" for one imported
# by ordinal only), then each checked against the list.
echo "$dump" | awk '
  /^The Import Tables/ { tables = 1; next }
  /^PE File Base Relocations|^The Export Tables/ { tables = 0 }
  !tables { next }
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && /^\t[0-9a-f]+\t +[0-9]+/ {
    print dll, (NF >= 3 ? $3 : "#" $2); next
  }
  /^$/ { dll = "" }' |
awk -v exe="$exe" -v list="$list" -v floor="$floor" -v accepted="$accepted" '
  BEGIN {
    n = split(accepted, names, "|")
    for (i = 1; i <= n; ++i) ok[names[i]] = 1
    while ((getline line < list) > 0) {
      if (line ~ /^[ \t]*(#|$)/) continue
      split(line, f, /[ \t]+/)
      version = line
      sub(/^[^ \t]+[ \t]+[^ \t]+[ \t]+/, "", version)
      since[tolower(f[1]) " " f[2]] = version
    }
  }
  {
    ++count[$1]
    key = $1 " " $2
    if (!(key in since)) {
      print exe ": imports " $1 " " $2 ", which " list " does not list" > "/dev/stderr"
      bad = 1
    } else if (!(since[key] in ok)) {
      print exe ": imports " $1 " " $2 ", exported from " since[key] \
            " on: newer than the floor, " floor > "/dev/stderr"
      bad = 1
    }
  }
  END {
    if (NR == 0) {
      print exe ": no imports found in its import tables" > "/dev/stderr"
      exit 1
    }
    for (d in count) print "  " count[d] " from " d | "sort -k3"
    exit bad
  }' || rc=1

# The versions the headers ask for, as major.minor.
echo "$dump" | awk -v exe="$exe" -v floor="$floor" -v headers="$headers" '
  /^Major(OSystem|Subsystem)Version/ { major[substr($1, 6)] = $2; ++found }
  /^Minor(OSystem|Subsystem)Version/ { minor[substr($1, 6)] = $2 }
  END {
    split(headers, h, ".")
    for (k in major) {
      if (major[k] * 100 + minor[k] > h[1] * 100 + h[2]) {
        print exe ": PE header " k " " major[k] "." minor[k] \
              " is newer than the floor, " floor " (" headers ")" > "/dev/stderr"
        bad = 1
      }
      printf "  %s %d.%d\n", k, major[k], minor[k]
    }
    if (found != 2) {
      print exe ": no operating-system and subsystem versions in the PE headers" > "/dev/stderr"
      bad = 1
    }
    exit bad
  }' || rc=1
[ $rc -eq 0 ] || exit 1
echo "$exe: every import is listed and exported by $floor"
