#!/usr/bin/env bash
# .ci/install-packages against a stand-in apt-get whose `update` exits 100
# after a broken index, as a registry in the middle of a mirror sync makes
# it, and whose plain install of a foreign-architecture package cannot be
# resolved: the script must warn, fall back to the release's own versions,
# and succeed. A second stand-in refuses every install: the script must fail.
set -euo pipefail
cd "$(dirname "$0")/.."
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT

cat >"$fake/dpkg-query" <<'FAKE'
#!/bin/sh
exit 1
FAKE
cat >"$fake/dpkg" <<'FAKE'
#!/bin/sh
case $1 in
  --print-architecture) echo amd64 ;;
  --print-foreign-architectures) echo i386 ;;
esac
FAKE
cat >"$fake/apt-get" <<'FAKE'
#!/bin/sh
echo "$*" >>"$FAKE_LOG"
case $1 in
  update)
    echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (1234 != 5678). Mirror sync in progress?" >&2
    exit 100 ;;
  install)
    for a; do
      case $a in Dir::Etc::Preferences=*) cp "${a#*=}" "$FAKE_LOG.pin" ;; esac
    done
    if [ "$FAKE_REFUSE" = no ] && [ -f "$FAKE_LOG.pin" ]; then exit 0; fi
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100 ;;
esac
FAKE
chmod +x "$fake"/*

export FAKE_LOG=$fake/log
PATH=$fake:$PATH FAKE_REFUSE=no .ci/install-packages wine wine32:i386 2>"$fake/err" >/dev/null
grep -q "warning: apt-get update could not read every index" "$fake/err"
grep -q "warning: installed with .*'s own versions: wine wine32:i386" "$fake/err"
[ "$(grep -c '^install' "$FAKE_LOG")" = 2 ]
grep -q -- '--allow-downgrades' "$FAKE_LOG"
grep -qx 'Pin-Priority: 1001' "$FAKE_LOG.pin"
rm -f "$FAKE_LOG.pin"

if PATH=$fake:$PATH FAKE_REFUSE=yes .ci/install-packages wine32:i386 2>/dev/null >/dev/null; then
  echo "test-install-packages: an install that cannot be made was reported as made" >&2
  exit 1
fi
echo "test-install-packages: passed"
