#!/usr/bin/env bash
# Builds Kivo and runs every test: the full build under CTest (offscreen Qt,
# a private session bus, a PulseAudio null sink), then the Qt-free libraries
# again with AddressSanitizer and UndefinedBehaviorSanitizer, then a short
# run of every libFuzzer target over its committed corpus, and last the
# Debian package made from the same build: installed, tried and removed
# (scripts/check-package.sh; needs root or sudo).
# Usage: scripts/test.sh [--no-sanitize] [--no-fuzz] [--no-package]
# KIVO_FUZZ_SECONDS sets each fuzz target's run (default 30).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
JOBS="${KIVO_JOBS:-$(nproc)}"
FUZZ_SECONDS="${KIVO_FUZZ_SECONDS:-30}"
SANITIZE=1
FUZZ=1
PACKAGE=1
for argument in "$@"; do
    case "$argument" in
        --no-sanitize) SANITIZE=0 ;;
        --no-fuzz) FUZZ=0 ;;
        --no-package) PACKAGE=0 ;;
        *) echo "usage: $0 [--no-sanitize] [--no-fuzz] [--no-package]" >&2; exit 2 ;;
    esac
done

GENERATOR=()
if command -v ninja >/dev/null; then GENERATOR=(-G Ninja); fi

echo "== build (release with debug info)"
# Configured for /usr, so the same build is also the Debian package's.
cmake -S "$ROOT" -B "$ROOT/build-test" "${GENERATOR[@]}" -DKIVO_WERROR=ON -DKIVO_BUILD_BENCH=ON \
    -DCMAKE_INSTALL_PREFIX=/usr
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

# The committed corpus of a fuzz target (name without "_fuzz"), or nothing:
# fuzz/<library>/corpus/<kind> for a target <library>_<kind>_fuzz, else the
# corpus folder beside the CMakeLists.txt that names the target.
corpus_of() {
    local name="$1" dir
    if [ -d "$ROOT/fuzz/${name%%_*}/corpus/${name#*_}" ]; then
        echo "$ROOT/fuzz/${name%%_*}/corpus/${name#*_}"
        return
    fi
    for dir in "$ROOT"/fuzz/*/; do
        if grep -qw "${name}_fuzz" "$dir/CMakeLists.txt" 2>/dev/null && [ -d "$dir/corpus" ]; then
            echo "${dir%/}/corpus"
            return
        fi
    done
}

if [ "$FUZZ" = 1 ]; then
    # Each target starts from its committed corpus; what it finds goes to a
    # scratch folder, so the committed corpus stays as it is. Long runs are
    # done by hand (fuzz/repository/README.md).
    echo "== fuzz targets (clang, libFuzzer), ${FUZZ_SECONDS} s each"
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build-fuzz-ci" "${GENERATOR[@]}" \
        -DKIVO_BUILD_FUZZ=ON -DKIVO_LIBRARIES_ONLY=ON -DKIVO_BUILD_TESTS=OFF -DKIVO_BUILD_BENCH=OFF
    cmake --build "$ROOT/build-fuzz-ci" -j "$JOBS"
    for target in "$ROOT"/build-fuzz-ci/bin/*_fuzz; do
        [ -x "$target" ] || continue
        seeds="$(corpus_of "$(basename "$target" _fuzz)")"
        # Memory-backed when possible: the targets make and remove files per input.
        scratch="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
        mkdir "$scratch/corpus" "$scratch/tmp"
        echo "-- $(basename "$target") from ${seeds:-no corpus} (findings in $scratch)"
        # A small quarantine keeps AddressSanitizer inside the 256 MB limit.
        ASAN_OPTIONS=quarantine_size_mb=32 TMPDIR="$scratch/tmp" "$target" \
            -max_total_time="$FUZZ_SECONDS" -timeout=1 -rss_limit_mb=256 -max_len=65536 \
            -print_final_stats=1 -artifact_prefix="$scratch/" "$scratch/corpus" ${seeds:+"$seeds"}
        rm -rf "$scratch"
    done
fi

if [ "$PACKAGE" = 1 ]; then
    echo "== Debian package"
    "$ROOT/scripts/check-package.sh" "$ROOT/build-test"
fi
