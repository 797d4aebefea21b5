#!/usr/bin/env bash
# Long fuzzing runs: builds the libFuzzer targets and runs each for MINUTES minutes, one after
# another, then prints the inputs each one executed. New inputs collect in
# build-fuzz/tests/fuzz/corpus/; a crashing input is saved as build-fuzz/tests/fuzz/fuzz_*-crash-*.
# Usage: scripts/fuzz.sh MINUTES
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:?usage: scripts/fuzz.sh MINUTES}
[[ $minutes =~ ^[1-9][0-9]*$ ]] || { echo "MINUTES must be a whole number from 1" >&2; exit 2; }
bash scripts/install-deps.sh

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DOVALON_BUILD_GUI=OFF -DOVALON_BUILD_FUZZ=ON \
  -DOVALON_FUZZ_SECONDS=$((minutes * 60))
cmake --build build-fuzz --target ovalon_fuzz_targets
log=build-fuzz/fuzz-$(date +%Y%m%d-%H%M%S).log
status=0
(cd build-fuzz && ctest -V -R '^fuzz_') >"$log" 2>&1 || status=$?
# ctest numbers every line of a test's output with the test's number: "3: stat::...".
echo "Inputs executed in $minutes minutes per target (full log: $log):"
for test in $(cd build-fuzz && ctest -N -R '^fuzz_' | sed -n 's/^ *Test *#\([0-9]*\): \(fuzz_.*\)$/\1:\2/p'); do
  number=${test%%:*}
  name=${test#*:}
  units=$(sed -n "s/^$number: stat::number_of_executed_units: //p" "$log" | tail -1)
  echo "  $name: ${units:-no final stats (see the log)}"
done
exit $status
