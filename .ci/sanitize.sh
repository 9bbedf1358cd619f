#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang) into build-asan and runs the whole test suite there. Any report
# fails the run: the sanitizers are built not to recover.
set -euo pipefail
cd "$(dirname "$0")/.."
CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRELABEL_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-asan --output-on-failure -j2
