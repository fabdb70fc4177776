#!/usr/bin/env bash
# Runs every benchmark and prints its figures, each with the command that reproduces it (needs a build:
# scripts/build.sh; another build folder with VEK_BUILD_DIR). Xvfb and xdotool for the X figures.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEK_BUILD_DIR:-build}
export VEK_BUILD_DIR=$build
began=$(date +%s)
echo "machine: $(nproc) cores, $(free -g | awk '/Mem:/{print $2}') GiB, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"

# The offscreen platform warns on every pop-up about what it cannot do with windows; those lines go.
# So do the tray's complaint that there is no tray, and the note about a missing runtime folder.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
offscreen() {
  QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime QT_LOGGING_RULES='qt.qpa.*=false;qt.core.qobject.connect=false' \
    "$@" 2> >(grep -v -e 'This plugin does not support' >&2)
}

echo "== start-up to the login window, client beside a bare Qt dialog (Xvfb)"
bench/startup.sh 10
echo "== datagram to pop-up on screen, client beside a minimal Qt program (Xvfb)"
bench/popup_latency.sh 500
echo "== a flood of 1,000 show datagrams a second for 60 s at the client (Xvfb)"
bench/flood.sh 60 1000
echo "== address book of 20,000, burst of 2,000, department of 1,000, listing in a tbl_main of 1,000,000 (offscreen)"
offscreen "$build/bench/bench_notices" 20000 2000 0 1000 1000000
echo "== address book of 100,000, department of 5,000 (offscreen)"
offscreen "$build/bench/bench_notices" 100000 0 0 5000 0
echo "== longest event-loop stall during a send to 5,000, before the pacing beside now (offscreen)"
bench/send_stall.sh 5000 3
echo "== memory over 10,000 pop-ups, alone in its process (offscreen)"
offscreen "$build/bench/bench_notices" 0 0 10000 0 0
prefix=""
[ "$build" = build ] || prefix="VEK_BUILD_DIR=$build "
echo "all figures in $(( $(date +%s) - began )) s; reproduce them all: ${prefix}bench/run.sh"
