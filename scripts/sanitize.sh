#!/usr/bin/env bash
# Builds everything with the address and undefined-behaviour sanitizers into build-asan/ and runs the
# whole test suite there; any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-asan -DVEK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$(nproc)"
cd build-asan
# Leaks inside the system's graphics and font libraries are not ours; everything else is reported.
# Full stacks for every allocation: the system's Qt libraries have no frame pointers, and the
# suppressions need to see the frames.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0:malloc_context_size=30
export LSAN_OPTIONS=suppressions=$PWD/../tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 -j2
