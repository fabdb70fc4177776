#!/usr/bin/env bash
# Builds everything with the address and undefined-behaviour sanitizers into build-asan/ and runs the
# whole test suite there; any finding fails the run. The programs themselves (P_vekclient, p_vekupd,
# vek_mkdb) are checked to carry the sanitizer runtime first: a suite that passes over uninstrumented
# programs says nothing about them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-asan -DVEK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" >/dev/null
cmake --build build-asan -j"$(nproc)"
cd build-asan
for program in bin/P_vekclient bin/p_vekupd bin/vek_mkdb tests/bin/P_vekclient tests/bin/p_vekupd; do
  if ! readelf -d "$program" | grep -q 'NEEDED.*libasan' || ! readelf -d "$program" | grep -q 'NEEDED.*libubsan'; then
    echo "$program is not instrumented with the sanitizers" >&2
    exit 1
  fi
done
echo "every program carries the address and undefined-behaviour sanitizer runtimes"
# Leaks inside the system's graphics and font libraries are not ours; everything else is reported.
# Full stacks for every allocation: the system's Qt libraries have no frame pointers, and the
# suppressions need to see the frames.
# The programs that the process tests start report into files as well, since a test may kill them or
# not read what they print: any report there fails the run too.
reports=$PWD/sanitizer-reports
rm -rf "$reports" && mkdir -p "$reports"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0:malloc_context_size=30:log_path=$reports/asan
export LSAN_OPTIONS=suppressions=$PWD/../tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 -j2 || status=1
if [ -n "$(ls -A "$reports")" ]; then
  echo "sanitizer reports:" >&2
  for f in "$reports"/*; do echo "== $f" >&2; cat "$f" >&2; done
  status=1
fi
exit $status
