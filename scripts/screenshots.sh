#!/usr/bin/env bash
# Grabs every window of the client on the demo plant to PNG under build/screens/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
QT_QPA_PLATFORM=offscreen build/tests/grab_windows build/screens
