#!/usr/bin/env bash
# A flood of show datagrams at the real client on a virtual X server (see bench/flood.cpp for how each
# figure is measured): clicks on the main window answered during the flood, pop-ups on screen, memory of
# the client and of the X server, the notice on top afterwards. With a git revision as third argument the
# client of that revision is built (once, into build-baseline/) and measured first, in the same run.
#   bench/flood.sh [seconds (60)] [datagrams per second (1000)] [baseline revision]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
rate=${2:-1000}
baseline=${3:-}
build=${VEK_BUILD_DIR:-build}
bin=$PWD/$build/bin
benchbin=$PWD/$build/bench
source bench/common.sh

clients=()
if [ -n "$baseline" ]; then
  rev=$(git rev-parse --short "$baseline")
  base=$PWD/build-baseline/$rev
  if [ ! -x "$base/build/bin/P_vekclient" ]; then
    echo "building the client of $rev into $base (once)" >&2
    rm -rf "$base" && mkdir -p "$base/src"
    git archive "$rev" | tar -x -C "$base/src"
    cmake -S "$base/src" -B "$base/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$base/build" -j"$(nproc)" --target P_vekclient >/dev/null
  fi
  clients+=("$rev:$base/build/bin/P_vekclient")
fi
clients+=("this build:$bin/P_vekclient")

for entry in "${clients[@]}"; do
  label=${entry%%:*}
  binary=${entry#*:}
  work=$(mktemp -d)
  # A screen large enough that the centred main window and the pop-ups in the corner never overlap.
  start_xvfb 1600x1000 > "$work/xvfb.pid"
  xvfb=$(cat "$work/xvfb.pid")
  export QT_QPA_PLATFORM=xcb
  port=$(free_udp_port)
  if read -r client main < <(start_logged_in_client "$binary" "$work" "$port"); then
    sleep 1
    "$benchbin/bench_flood" "$label" "$seconds" "$rate" "$port" "$client" "$xvfb" "$main" || true
    kill -9 "$client" 2>/dev/null || true
  fi
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
done
prefix=""
[ "$build" = build ] || prefix="VEK_BUILD_DIR=$build "
echo "reproduce: ${prefix}bench/flood.sh $seconds $rate${baseline:+ $baseline}"
