#!/usr/bin/env bash
# The libFuzzer targets (tests/fuzz) built with clang in build-fuzz/ and run
# for 20 s each from their seed corpora; a crash, hang, leak or failed check
# fails CI, and its input is kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPX_FUZZ=ON
cmake --build build-fuzz --target fuzzers
FUZZ_JOBS=2 bash bench/fuzz.sh 20
