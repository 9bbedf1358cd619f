#!/usr/bin/env bash
# CI: builds the release packages and checks them (packaging/build-packages.sh).
# Installs what that needs: man and groff to check the manual page, file and
# dpkg-dev for the .deb's dependency list, lintian to check the .deb, and
# for the Windows zips mingw-w64 (64- and 32-bit), Wine (64- and 32-bit),
# zip and unzip. Having installed them, it asks the package script for both
# zips: one that cannot be built is then a failure, not a skipped line.
set -euo pipefail
cd "$(dirname "$0")/.."

.ci/install-packages cmake g++ git man-db groff-base file dpkg-dev lintian \
  mingw-w64 g++-mingw-w64-i686 wine wine64 wine32:i386 zip unzip
export RELABEL_PACKAGES_WINDOWS=${RELABEL_PACKAGES_WINDOWS:-1}

packaging/build-packages.sh
