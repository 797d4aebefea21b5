#!/usr/bin/env bash
# Installs what is missing, builds Ovalon and runs every test: the unit and window tests
# (window and rendering tests under their own Xvfb), the Qt-free tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded libFuzzer run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export QTEST_FUNCTION_TIMEOUT=60000
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
jobs=$(nproc)

echo "== Sanitizer build of the Qt-free core =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOVALON_BUILD_GUI=OFF -DOVALON_SANITIZE=ON
cmake --build build-asan
(cd build-asan && ctest --output-on-failure --timeout 600 -j "$jobs")

echo "== Fuzzing (clang, libFuzzer) =="
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DOVALON_BUILD_GUI=OFF -DOVALON_BUILD_FUZZ=ON -DOVALON_FUZZ_SECONDS=30
cmake --build build-fuzz --target ovalon_fuzz_targets
(cd build-fuzz && ctest --output-on-failure -R '^fuzz_')

echo "== Release build: unit, window and rendering tests =="
bash scripts/build.sh
(cd build && ctest --output-on-failure --timeout 600 -j "$jobs")
