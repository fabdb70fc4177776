#!/usr/bin/env bash
# The longest event-loop stall during a send to a department, this build beside the send as it was
# before its datagrams were paced by the event loop (a sleep of 3 ms on the user-interface thread
# after each one). The earlier program is built from that commit into <build>/send-baseline/ once.
#   bench/send_stall.sh [people (5000)] [runs (3)]
# VEK_BUILD_DIR names this build; VEK_SEND_BASELINE another commit to compare with.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${VEK_BUILD_DIR:-build}
people=${1:-5000}
runs=${2:-3}
baseline=${VEK_SEND_BASELINE:-a32a554ec52d737e8f9e827780aee7dec87e2b05}

current=$build/bench/bench_send_stall
[ -x "$current" ] || { echo "missing $current: build the target bench_send_stall first" >&2; exit 1; }

# The earlier sources with this benchmark program added; built only when missing or out of date.
base=$build/send-baseline
if [ ! -x "$base/build/bench/bench_send_stall" ] || [ "$(cat "$base/commit" 2>/dev/null)" != "$baseline" ] ||
   ! cmp -s bench/send_stall.cpp "$base/src/bench/send_stall.cpp"; then
  echo "building the send of $(git rev-parse --short "$baseline") into $base (once)" >&2
  rm -rf "$base/src"
  mkdir -p "$base/src"
  git archive "$baseline" | tar -x -C "$base/src"
  cp bench/send_stall.cpp "$base/src/bench/"
  grep -q bench_send_stall "$base/src/bench/CMakeLists.txt" ||
    sed -n '/^# The longest event-loop stall/,$p' bench/CMakeLists.txt >> "$base/src/bench/CMakeLists.txt"
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S "$base/src" -B "$base/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  cmake --build "$base/build" -j"$(nproc)" --target bench_send_stall >/dev/null
  echo "$baseline" > "$base/commit"
fi

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
run() {
  QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime QT_LOGGING_RULES='qt.qpa.*=false' "$@" 2> >(grep -v -e 'This plugin does not support' >&2)
}
for i in $(seq "$runs"); do
  echo "run $i, before ($(git rev-parse --short "$baseline"), a sleep after each datagram): $(run "$base/build/bench/bench_send_stall" "$people")"
  echo "run $i, now ($(git -C "$repo" rev-parse --short HEAD), paced by the event loop):     $(run "$current" "$people")"
done
prefix=""
[ "$build" = build ] || prefix="VEK_BUILD_DIR=$build "
echo "reproduce: ${prefix}bench/send_stall.sh $people $runs"
