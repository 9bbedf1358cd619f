#!/usr/bin/env bash
# Runs every fuzz harness briefly (10 s each by default) with AddressSanitizer
# and UndefinedBehaviorSanitizer; a property broken or a sanitizer report
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
exec fuzz/run.sh "${FUZZ_SMOKE_SECONDS:-10}"
