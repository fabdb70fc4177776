#!/usr/bin/env bash
# Sets up and builds, creates the embedded demo databases when they are missing, and starts the client
# on the current display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

data="${XDG_DATA_HOME:-$HOME/.local/share}/vekora"
build/bin/vek_mkdb --demo --client build/bin/P_vekclient "$data"
echo "Demo databases: $data"
echo
cat db/demo/accounts.txt
echo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<MSG
There is no display to show the client on. Run it under a virtual one, for example:
  Xvfb :5 -screen 0 1280x800x24 & DISPLAY=:5 build/bin/P_vekclient
or without any display (windows are drawn off screen):
  QT_QPA_PLATFORM=offscreen build/bin/P_vekclient
MSG
  exit 0
fi
exec build/bin/P_vekclient
