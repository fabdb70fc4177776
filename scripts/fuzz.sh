#!/usr/bin/env bash
# Fuzzes the datagram reader, the datagram's way into a pop-up, the registry-file reader and the SQLite
# statement rewrite with libFuzzer for a bounded time each (default 60 s), starting from and adding to the
# corpus under tests/fuzz/corpus, which is then minimised.
#   scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/setup.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  apt-get install -y -qq clang libclang-rt-dev >/dev/null 2>&1 || apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVEK_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_datagram fuzz_registry fuzz_sqlrewrite fuzz_popup
# What fontconfig and the other system libraries keep for the life of the process is no finding.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
status=0
for t in datagram registry sqlrewrite popup; do
  mkdir -p "tests/fuzz/corpus/$t"
  echo "== fuzz_$t for ${seconds}s"
  QT_QPA_PLATFORM=offscreen build-fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -max_len=12000 -print_final_stats=1 "tests/fuzz/corpus/$t" \
    2>&1 | grep -E 'stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY|crash-' || true
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  # The corpus keeps only the inputs that add coverage.
  minimal=$(mktemp -d)
  QT_QPA_PLATFORM=offscreen build-fuzz/fuzz/fuzz_$t -merge=1 -max_len=12000 "$minimal" "tests/fuzz/corpus/$t" >/dev/null 2>&1 &&
    rm -rf "tests/fuzz/corpus/$t" && mv "$minimal" "tests/fuzz/corpus/$t" || rm -rf "$minimal"
done
exit $status
