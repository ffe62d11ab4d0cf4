#!/usr/bin/env bash
# Builds the program (release build) and starts it on the current display.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
ensure_packages "${RUN_PACKAGES[@]}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build --target vesperon -j"$(nproc)"
exec build/vesperon "$@"
