#!/usr/bin/env bash
# CI: builds the release packages and checks them (packaging/build-packages.sh).
# Installs what that needs: man and groff to check the manual page, file and
# dpkg-dev for the .deb's dependency list, lintian to check the .deb, and,
# when the Windows cross builds are in the tree, mingw-w64, Wine (64- and
# 32-bit) and unzip for the zips.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ man-db groff-base file dpkg-dev lintian)
if [ -f cmake/mingw-w64-x86_64.cmake ] && [ -f src/runtime/platform_win32.cpp ]; then
  packages+=(mingw-w64 wine wine64 unzip)
fi
if [ -f cmake/mingw-w64-i686.cmake ] && [ -f src/runtime/platform_win32.cpp ]; then
  packages+=(g++-mingw-w64-i686 wine32:i386)
fi
.ci/install-packages "${packages[@]}"

packaging/build-packages.sh
