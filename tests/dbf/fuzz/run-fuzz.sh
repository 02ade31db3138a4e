#!/usr/bin/env bash
# Coverage-guided fuzzing of the table and memo readers with libFuzzer.
#   tests/dbf/fuzz/run-fuzz.sh [SECONDS]   (default 300)
# Builds into build-dbf-fuzz/ with clang, the libraries instrumented as well.
set -euo pipefail
cd "$(dirname "$0")/../../.."
secs="${1:-300}"
cmake -S . -B build-dbf-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOX_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build build-dbf-fuzz -j2 --target fuzz_dbf
work="$(mktemp -d)"
cp tests/dbf/fuzz/corpus/* "$work/"
build-dbf-fuzz/tests/dbf/fuzz/fuzz_dbf -max_total_time="$secs" -max_len=8192 -timeout=10 "$work"
echo "corpus grew to $(ls "$work" | wc -l) inputs in $work"
