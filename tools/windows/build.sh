#!/usr/bin/env bash
# Cross-compiles the program for 64-bit Windows and packs it as
# vesperon-<version>-windows-x86_64.zip.
#
#   tools/windows/build.sh QT [OUT_DIR]
#
# QT is a Qt 6.4 or later for MinGW x86_64: its prefix (the folder holding
# bin/qt-cmake and lib/cmake/Qt6), or a .tar.xz of one, which is unpacked into
# OUT_DIR/qt first. OUT_DIR (default build-windows) gets:
#   host/      a build for this machine, of which only the picture generator
#              is used (the pictures are drawn here, not on Windows)
#   windows/   the cross build
#   vesperon-<version>-windows-x86_64.zip
# VESPERON_MAKE_PICTURES may name the make_pictures of a build for this
# machine that exists already (test.sh passes build/make_pictures); then no
# host/ is made. The Debian packages it needs are installed when missing
# (tools/packages.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 QT_PREFIX_OR_TAR_XZ [OUT_DIR]" >&2
    exit 2
fi
qt=$1
out=${2:-build-windows}
mkdir -p "$out"
out=$(cd "$out" && pwd)
jobs=$(nproc)

source "$source/tools/packages.sh"
ensure_packages "${RUN_PACKAGES[@]}" "${WINDOWS_BUILD_PACKAGES[@]}"

if [ -f "$qt" ]; then
    # A packed prefix: unpacked once (again when the archive changes).
    archive=$(cd "$(dirname "$qt")" && pwd)/$(basename "$qt")
    stamp="$out/qt/.unpacked-from"
    if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$archive $(stat -c %Y "$archive")" ]; then
        echo "Unpacking $archive"
        rm -rf "$out/qt" && mkdir -p "$out/qt"
        tar -xJf "$archive" -C "$out/qt"
        echo "$archive $(stat -c %Y "$archive")" > "$stamp"
    fi
    qt=$(dirname "$(find "$out/qt" -maxdepth 3 -path '*/bin/qt-cmake' -print -quit)")/..
fi
qt=$(cd "$qt" && pwd)
if [ ! -x "$qt/bin/qt-cmake" ]; then
    echo "$qt holds no Qt for Windows (bin/qt-cmake is missing)" >&2
    exit 1
fi

if [ -n "${VESPERON_MAKE_PICTURES:-}" ]; then
    make_pictures=$(cd "$(dirname "$VESPERON_MAKE_PICTURES")" && pwd)/$(basename "$VESPERON_MAKE_PICTURES")
else
    echo "== the picture generator, built for this machine"
    cmake -S "$source" -B "$out/host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$out/host" --target make_pictures -j"$jobs"
    make_pictures=$out/host/make_pictures
fi

echo "== the program, cross-compiled for Windows against $qt"
"$qt/bin/qt-cmake" -S "$source" -B "$out/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH="${QT_HOST_PATH:-/usr}" \
    -DVESPERON_MAKE_PICTURES="$make_pictures" >/dev/null
cmake --build "$out/windows" -j"$jobs"

echo "== the zip"
(cd "$out/windows" && cpack -G ZIP >/dev/null)
zip=$(find "$out/windows" -maxdepth 1 -name 'vesperon-*-windows-x86_64.zip' -print -quit)
mv -f "$zip" "$out/"
echo "$out/$(basename "$zip")"
