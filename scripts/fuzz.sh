#!/usr/bin/env bash
# Fuzzes with libFuzzer, for a bounded time each (default 60 s): the datagram reader, a datagram's whole
# way into a pop-up window, the registry-file reader, the SQLite statement rewrite, the updater's AVI
# reader and its check of the stored program, and the client's reader of the ELF version section. Each starts from and adds to its corpus under
# tests/fuzz/corpus, which is then minimised. Any crash fails the run.
#   scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/setup.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  apt-get install -y -qq clang libclang-rt-dev >/dev/null 2>&1 || apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVEK_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(datagram popup registry sqlrewrite avi program fileversion)
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
# What fontconfig and the other system libraries keep for the life of the process is no finding.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp QT_QPA_PLATFORM=offscreen
status=0
mkdir -p build-fuzz/artifacts
for t in "${targets[@]}"; do
  mkdir -p "tests/fuzz/corpus/$t"
  maxlen=12000
  echo "== fuzz_$t for ${seconds}s"
  log=build-fuzz/fuzz_$t.log
  if ! build-fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -max_len=$maxlen -print_final_stats=1 \
      -artifact_prefix=build-fuzz/artifacts/$t- "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    status=1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY|crash-|oom-|timeout-' "$log" || true
  # The corpus keeps only the inputs that add coverage.
  minimal=$(mktemp -d)
  build-fuzz/fuzz/fuzz_$t -merge=1 -max_len=$maxlen "$minimal" "tests/fuzz/corpus/$t" >/dev/null 2>&1 &&
    rm -rf "tests/fuzz/corpus/$t" && mv "$minimal" "tests/fuzz/corpus/$t" || rm -rf "$minimal"
done
[ $status -eq 0 ] && echo "no crashes" || echo "FAILED: see build-fuzz/fuzz_*.log and build-fuzz/artifacts/"
exit $status
