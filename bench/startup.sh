#!/usr/bin/env bash
# Time from the start of the client to its login window on screen, beside a bare Qt dialog (the floor
# that any Qt program pays) in the same run, and the client's peak memory, on the demo databases under a
# virtual X server. bench_startup watches the X server for the map of each window (its header says
# how). Needs a build (scripts/build.sh; another build folder with VEK_BUILD_DIR) and Xvfb.
#   bench/startup.sh [runs per program (10)]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
build=${VEK_BUILD_DIR:-build}
bin=$PWD/$build/bin
benchbin=$PWD/$build/bench
work=$(mktemp -d)
source bench/common.sh
start_xvfb > "$work/xvfb.pid"
xvfb=$(cat "$work/xvfb.pid")
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
demo_plant "$work" $((30000 + RANDOM % 20000))

# The client in a world of its own: configuration, runtime folder (its single-instance lock), registry.
QT_QPA_PLATFORM=xcb VEKORA_CONFIG=$work/vekora.ini XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config \
  VEKORA_REGISTRY=$work/HKLM.reg \
  "$benchbin/bench_startup" "$runs" "client|登陆|$bin/P_vekclient" "bare Qt dialog|bare|$benchbin/bench_bare_dialog" \
  2> >(grep -v -e 'QStandardPaths' >&2)
prefix=""
[ "$build" = build ] || prefix="VEK_BUILD_DIR=$build "
echo "reproduce: ${prefix}bench/startup.sh $runs"
