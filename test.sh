#!/usr/bin/env bash
# Builds everything and runs the whole test suite: unit and widget tests on
# Qt's offscreen platform, and system tests that start the real program under
# their own Xvfb, window manager, private D-Bus system bus and mock logind.
# Ends with ctest's summary; the exit status is 0 only if every test passed.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
ensure_packages "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure --timeout 600 "$@"
