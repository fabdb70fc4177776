#!/usr/bin/env bash
# Sets up, builds and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j2)
# The Windows build and its tests under Wine, where the toolchain is at hand.
if [ -f "${VEK_SHARED:-../shared}/toolchains/qt6.4.2-mingw-w64.tar.xz" ]; then
  scripts/windows.sh
else
  echo "no ${VEK_SHARED:-../shared}/toolchains/qt6.4.2-mingw-w64.tar.xz: the Windows build is not checked"
fi
