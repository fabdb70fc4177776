#!/usr/bin/env bash
# The Windows build of both programs, cross-compiled with mingw-w64 against the Qt of
# ../shared/toolchains/, and its tests under Wine.
#
#   scripts/windows.sh              install what is missing, build, lay out build-win/bin/, run the tests
#   scripts/windows.sh --build-only the same without the tests
#
# build-win/bin/ is what a workstation receives: P_vekclient.exe, p_vekupd.exe, FIND.AVI, the DLLs
# and the plugin folders they load, nothing else. The cross-build tree (with the test programs) is
# build-win/build/, the unpacked toolchain build-win/toolchain/, Wine's prefix of the run build-win/wine/.
# VEK_SHARED names the shared folder (default ../shared beside the repository).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shared=${VEK_SHARED:-$root/../shared}
out=$root/build-win
qt=$out/toolchain/qt6-mingw
archive=$shared/toolchains/qt6.4.2-mingw-w64.tar.xz
mode=${1:-all}
[ "$mode" = --build-only ] || [ "$mode" = --no-suites ] || [ "$mode" = all ] || { echo "usage: $0 [--build-only|--no-suites]" >&2; exit 2; }
[ "$mode" = all ] && set -- || true

say() { printf '[windows] %s\n' "$*"; }

# --- packages ---------------------------------------------------------------------------------------
packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 qt6-base-dev-tools wine64 ninja-build
  cmake ccache libsqliteodbc unixodbc sqlite3 xvfb x11-utils xdotool socat xxd python3 imagemagick)
source scripts/packages.sh
install_missing_packages "${packages[@]}"

# --- toolchain ------------------------------------------------------------------------------------
mkdir -p "$out/toolchain"
if [ -f "$archive" ]; then
  stamp=$(stat -c '%s %Y' "$archive")
  if [ ! -f "$qt/.unpacked" ] || [ "$(cat "$qt/.unpacked")" != "$stamp" ]; then
    say "unpacking $(basename "$archive")"
    rm -rf "$qt"
    tar -xJf "$archive" -C "$out/toolchain"
    echo "$stamp" >"$qt/.unpacked"
  fi
elif [ ! -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  say "no $archive: building Qt for Windows with $shared/toolchains/build-qt-mingw.sh (about 30 minutes)"
  bash "$shared/toolchains/build-qt-mingw.sh" "$qt"
fi

# --- build ----------------------------------------------------------------------------------------
launcher=()
if command -v ccache >/dev/null; then
  # Paths below the repository's parent are hashed relative to it, so that a fresh clone hits the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
say "building into build-win/build"
cmake -S . -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" "${launcher[@]}" >/dev/null
cmake --build "$out/build" -j"$(nproc)"

# --- the workstation's folder ---------------------------------------------------------------------
mingw_gcc=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
mingw_lib=/usr/x86_64-w64-mingw32/lib
bin=$out/bin
rm -rf "$bin"
mkdir -p "$bin"/{platforms,sqldrivers,imageformats,styles}
cp "$out/build/bin/P_vekclient.exe" "$out/build/bin/p_vekupd.exe" "$out/build/bin/FIND.AVI" "$bin/"
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network Qt6Sql sqlite3; do cp "$qt/bin/$dll.dll" "$bin/"; done
cp "$mingw_gcc/libstdc++-6.dll" "$mingw_gcc/libgcc_s_seh-1.dll" "$mingw_lib/libwinpthread-1.dll" "$bin/"
cp "$qt/plugins/platforms/qwindows.dll" "$bin/platforms/"
cp "$qt/plugins/sqldrivers/qsqlite.dll" "$qt/plugins/sqldrivers/qsqlodbc.dll" "$bin/sqldrivers/"
cp "$qt/plugins/imageformats/qjpeg.dll" "$qt/plugins/imageformats/qico.dll" "$bin/imageformats/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$bin/styles/"
x86_64-w64-mingw32-strip "$bin"/*.exe "$bin"/*.dll "$bin"/*/*.dll
say "build-win/bin: $(du -sh "$bin" | cut -f1) ($(find "$bin" -type f | wc -l) files)"

[ "$mode" = --build-only ] && exit 0
exec "$root/scripts/windows-tests.sh" "$@"
