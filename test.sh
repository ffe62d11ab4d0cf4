#!/usr/bin/env bash
# Builds everything and runs the whole test suite three ways:
#  1. the release build: unit and widget tests on Qt's offscreen platform, and
#     system tests that start the real program under their own Xvfb, window
#     manager, private D-Bus buses, mock logind and HTTP server; with them the
#     Windows program (build-windows/, tools/windows/build.sh) under Wine;
#  2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#     (build-asan/), which stop at the first finding;
#  3. each fuzz target for 30 s (tools/run_fuzzers.sh, build-fuzz/).
# Arguments go to the first ctest only and skip 2 and 3 (./test.sh -L unit).
# The exit status is 0 only if everything passed.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
ensure_packages "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

status=0
section() { printf '\n==== %s\n' "$*"; }

section "release build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build -j"$(nproc)"

# The Windows program, cross-compiled against the Qt for Windows beside the
# project (or VESPERON_WINDOWS_QT); its tests under Wine (label wine) run with
# the others. Left out when there is no such Qt, or when the arguments pick
# tests that are none of them.
windows_qt=${VESPERON_WINDOWS_QT:-../shared/windows/qt6-base-6.4.2-mingw-w64.tar.xz}
windows_zip=
if [ $# -eq 0 ] || [[ " $* " =~ (system|wine|windows) ]]; then
    if [ -e "$windows_qt" ]; then
        section "Windows build (mingw-w64, $windows_qt)"
        if VESPERON_MAKE_PICTURES=build/make_pictures tools/windows/build.sh "$windows_qt" build-windows; then
            windows_zip=$(ls -t "$PWD"/build-windows/vesperon-*-windows-x86_64.zip | head -1)
        else
            status=1
        fi
    else
        section "Windows build left out: no Qt for Windows at $windows_qt"
    fi
fi

section "release tests"
cmake -S . -B build -DVESPERON_WINDOWS_ZIP="$windows_zip" >/dev/null
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@") || status=1

if [ $# -eq 0 ]; then
    section "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DVESPERON_SANITIZE=ON
    cmake --build build-asan -j"$(nproc)"
    supp="$PWD/tests/sanitizers"
    (cd build-asan &&
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1 \
        LSAN_OPTIONS="use_tls=0:suppressions=$supp/lsan.supp" \
        UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
        ctest --output-on-failure --timeout 900 -j"$(nproc)") || status=1

    section "fuzzers, 30 s each"
    tools/run_fuzzers.sh --time 30 || status=1
fi

section "$([ $status -eq 0 ] && echo "all passed" || echo "FAILED")"
exit $status
