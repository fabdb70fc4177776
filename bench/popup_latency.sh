#!/usr/bin/env bash
# Time from a show datagram to its pop-up on screen: the real client (logged in on the demo databases,
# main window up) beside a minimal Qt program that opens a plain window per datagram, both on one virtual
# X server started here, measured alternately by bench_popup_latency (its header says how).
# Needs a build (scripts/build.sh; another build folder with VEK_BUILD_DIR), Xvfb and xdotool.
#   bench/popup_latency.sh [datagrams per program (500)] [warm-up datagrams, not counted (10)]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-500}
warmup=${2:-10}
build=${VEK_BUILD_DIR:-build}
bin=$PWD/$build/bin
benchbin=$PWD/$build/bench
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

source bench/common.sh
start_xvfb > "$work/xvfb.pid"
pids+=($(cat "$work/xvfb.pid"))
display=$DISPLAY
export DISPLAY=$display QT_QPA_PLATFORM=xcb

wait_bound() { # port
  for _ in $(seq 200); do [ -n "$(ss -Hlun "sport = :$1")" ] && return 0; sleep 0.05; done
  echo "nothing listens on UDP port $1" >&2; exit 1
}
client_port=$(free_udp_port)
minimal_port=$(free_udp_port)
while [ "$minimal_port" = "$client_port" ]; do minimal_port=$(free_udp_port); done

# The client: demo plant, its own runtime, configuration and registry; a working folder without
# Audio.wav (the notice sound is the system beep).
read -r client main < <(start_logged_in_client "$bin/P_vekclient" "$work" "$client_port")
[ -n "${main:-}" ] || exit 1
pids+=($client)
wait_bound "$client_port"

"$benchbin/bench_minimal_popup" "$minimal_port" >"$work/minimal.log" 2>&1 &
minimal=$!
pids+=($minimal)
wait_bound "$minimal_port"
sleep 1 # both programs idle before the first datagram

"$benchbin/bench_popup_latency" "$count" "$warmup" "client:$client_port:$client" "minimal:$minimal_port:$minimal"
prefix=""
[ "$build" = build ] || prefix="VEK_BUILD_DIR=$build "
echo "reproduce: ${prefix}bench/popup_latency.sh $count $warmup"
