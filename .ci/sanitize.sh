#!/usr/bin/env bash
# The whole suite built with -fsanitize=address,undefined (PX_SANITIZE) in
# build-asan/. The first report of either sanitizer ends the test program,
# so the test fails. Findings inside Qt or system libraries are suppressed
# in .ci/sanitizers.supp, each with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
# -O1 with line tables only: what the sanitizers' reports need (a stack
# with file and line), and a third of the compile time of -O2 -g, which
# the instrumented code makes very slow. The benchmarks are not run here.
flags="-O1 -g1 -DNDEBUG"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPX_SANITIZE=ON -DPX_SKIP=bench \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$flags"
cmake --build build-asan
supp=$PWD/.ci/sanitizers.supp
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The sanitizer's dlopen does not search the calling program's RUNPATH, so
# the test programs would not find the driver and language libraries
# beside them; in this job only, the loader is told where they are.
export LD_LIBRARY_PATH=$PWD/build-asan/bin
cd build-asan
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
