#!/usr/bin/env bash
# Time from the start of the client to its login window on screen, and the client's peak memory, on the
# demo databases under a virtual X server. Needs a build (scripts/build.sh; another build folder with
# VEK_BUILD_DIR), Xvfb and xdotool.
#   bench/startup.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
build=${VEK_BUILD_DIR:-build}
bin=$PWD/$build/bin
work=$(mktemp -d)
source bench/common.sh
start_xvfb > "$work/xvfb.pid"
xvfb=$(cat "$work/xvfb.pid")
display=$DISPLAY
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
demo_plant "$work" $((30000 + RANDOM % 20000))

times=()
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  DISPLAY=$display QT_QPA_PLATFORM=xcb VEKORA_CONFIG=$work/vekora.ini XDG_RUNTIME_DIR=$work \
    XDG_CONFIG_HOME=$work/config VEKORA_REGISTRY=$work/HKLM.reg \
    /usr/bin/time -v -o "$work/time.$i" "$bin/P_vekclient" >/dev/null 2>&1 &
  runner=$!
  client=""
  for _ in $(seq 400); do client=$(pgrep -P "$runner" -x P_vekclient || true); [ -n "$client" ] && break; sleep 0.005; done
  window=""
  for _ in $(seq 2000); do
    window=$(DISPLAY=$display xdotool search --onlyvisible --pid "$client" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.005
  done
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
  [ -n "$window" ] || { echo "the login window did not appear" >&2; exit 1; }
  sleep 0.3 # let the dialog's show finish before the memory is read
  kill "$client" 2>/dev/null || true # time -v reports the peak memory of a terminated program as well
  wait "$runner" 2>/dev/null || true
done

sorted=($(printf '%s\n' "${times[@]}" | sort -n))
peak=$(grep -h 'Maximum resident set size' "$work"/time.* | awk '{print $NF}' | sort -n | tail -1)
echo "start to login window (ms), $runs runs: median ${sorted[$((runs / 2))]}, min ${sorted[0]}, max ${sorted[$((runs - 1))]}"
echo "peak memory of the client (maximum resident set size): $((peak / 1024)) MiB ($peak KiB)"
prefix=""
[ "$build" = build ] || prefix="VEK_BUILD_DIR=$build "
echo "reproduce: ${prefix}bench/startup.sh $runs"
