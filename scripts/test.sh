#!/usr/bin/env bash
# Builds Kivo and runs every test: the full build under CTest (offscreen Qt,
# a private session bus, a PulseAudio null sink), then the Qt-free libraries
# again with AddressSanitizer and UndefinedBehaviorSanitizer.
# Usage: scripts/test.sh [--no-sanitize]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
JOBS="${KIVO_JOBS:-$(nproc)}"
SANITIZE=1
if [ "${1:-}" = "--no-sanitize" ]; then SANITIZE=0; fi

GENERATOR=()
if command -v ninja >/dev/null; then GENERATOR=(-G Ninja); fi

echo "== build (release with debug info)"
cmake -S "$ROOT" -B "$ROOT/build-test" "${GENERATOR[@]}" -DKIVO_WERROR=ON -DKIVO_BUILD_BENCH=ON
cmake --build "$ROOT/build-test" -j "$JOBS"

echo "== tests"
"$ROOT/scripts/with-test-services.sh" \
    ctest --test-dir "$ROOT/build-test" --output-on-failure -j "$JOBS" --timeout 300

if [ "$SANITIZE" = 1 ]; then
    echo "== libraries with AddressSanitizer and UndefinedBehaviorSanitizer"
    cmake -S "$ROOT" -B "$ROOT/build-asan" "${GENERATOR[@]}" -DKIVO_WERROR=ON -DKIVO_SANITIZE=ON \
        -DKIVO_LIBRARIES_ONLY=ON -DKIVO_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
    cmake --build "$ROOT/build-asan" -j "$JOBS"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "$ROOT/build-asan" --output-on-failure -j "$JOBS" --timeout 600
fi
