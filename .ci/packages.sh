#!/usr/bin/env bash
# CI: builds the release packages and checks them (packaging/build-packages.sh).
# Installs what that needs: man and groff to check the manual page, file and
# dpkg-dev for the .deb's dependency list, lintian to check the .deb, and,
# when the Windows cross builds are in the tree, mingw-w64, Wine (64- and
# 32-bit), zip and unzip for the zips. Having installed them, it asks the
# package script for both zips: one that cannot be built is then a failure,
# not a skipped line.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ git man-db groff-base file dpkg-dev lintian)
if [ -f cmake/mingw-w64-x86_64.cmake ] && [ -f src/runtime/platform_win32.cpp ]; then
  packages+=(mingw-w64 wine wine64 zip unzip)
fi
if [ -f cmake/mingw-w64-i686.cmake ] && [ -f src/runtime/platform_win32.cpp ]; then
  packages+=(g++-mingw-w64-i686 wine32:i386)
  export RELABEL_PACKAGES_WINDOWS=${RELABEL_PACKAGES_WINDOWS:-1}
fi
.ci/install-packages "${packages[@]}"

packaging/build-packages.sh
