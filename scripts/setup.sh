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

source "$(dirname "$0")/packages.sh"
install_missing_packages "${packages[@]}"
