#!/usr/bin/env bash
# Configures and builds Ovalon in build/ (Release, -O2).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DOVALON_BUILD_BENCH=ON "$@"
cmake --build build
