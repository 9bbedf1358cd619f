#!/usr/bin/env bash
# Builds the microbenchmarks and runs each once, briefly: a check that they
# build and run, not a measurement.
set -euo pipefail
cd "$(dirname "$0")/.."

.ci/install-packages cmake g++ libbenchmark-dev

cmake -S . -B build -DRELABEL_BENCH=ON >/dev/null
cmake --build build -j2 --target relabel_micro
build/bench/relabel_micro --benchmark_min_time=0.01
