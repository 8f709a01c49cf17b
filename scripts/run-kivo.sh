#!/usr/bin/env bash
# Builds Kivo (if needed) and starts it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
GENERATOR=()
if command -v ninja >/dev/null; then GENERATOR=(-G Ninja); fi
cmake -S "$ROOT" -B "$ROOT/build" "${GENERATOR[@]}" -DKIVO_BUILD_TESTS=OFF -DKIVO_BUILD_BENCH=OFF
cmake --build "$ROOT/build" -j "$(nproc)"
if [ -x "$ROOT/build/bin/kivo" ]; then
    exec "$ROOT/build/bin/kivo" "$@"
else
    exec "$ROOT/build/bin/xrrps" --help
fi
