#!/usr/bin/env bash
# Runs every benchmark and prints its figures (needs a build: scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "machine: $(nproc) cores, $(free -g | awk '/Mem:/{print $2}') GiB, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
bench/startup.sh 10
QT_QPA_PLATFORM=offscreen build/bench/bench_notices "$@"
