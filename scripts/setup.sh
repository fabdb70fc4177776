#!/usr/bin/env bash
# Installs every Debian package the build, the demo and the tests need (Debian 12, as root).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc qt6-multimedia-dev
  libsqlite3-dev sqlite3 unixodbc unixodbc-dev tdsodbc libsqliteodbc
  libx11-dev libxcb-damage0-dev libxcb-xtest0-dev libjpeg-dev fonts-noto-cjk
  xvfb xdotool x11-utils imagemagick time socat iproute2 util-linux procps
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them first)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
