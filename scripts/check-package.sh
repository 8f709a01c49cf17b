#!/usr/bin/env bash
# Builds the Debian package, installs it with dpkg, tries the installed
# programs and manual pages, and removes it again, checking that nothing is
# left behind.
# Usage: scripts/check-package.sh [BUILD_FOLDER]
# With a build folder (configured with -DCMAKE_INSTALL_PREFIX=/usr, as
# scripts/test.sh does) its programs are packed as they are; without one a
# release build without tests is made in build-package.
# Needs root or sudo (dpkg), dpkg-dev (dpkg-shlibdeps) and man-db.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-}"
JOBS="${KIVO_JOBS:-$(nproc)}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

fail() {
    echo "check-package: $*" >&2
    exit 1
}

if [ -z "$BUILD" ]; then
    BUILD="$ROOT/build-package"
    GENERATOR=()
    if command -v ninja >/dev/null; then GENERATOR=(-G Ninja); fi
    cmake -S "$ROOT" -B "$BUILD" "${GENERATOR[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX=/usr -DKIVO_BUILD_TESTS=OFF -DKIVO_BUILD_BENCH=OFF
    cmake --build "$BUILD" -j "$JOBS"
fi
prefix="$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$BUILD/CMakeCache.txt")"
[ "$prefix" = /usr ] || fail "$BUILD is configured for $prefix; a package needs -DCMAKE_INSTALL_PREFIX=/usr"

echo "== package"
rm -f "$BUILD"/kivo_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb="$(ls "$BUILD"/kivo_*.deb)"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

installed() { [ "$(dpkg-query -W -f='${Status}' kivo 2>/dev/null)" = "install ok installed" ]; }
if installed; then
    fail "a kivo package is installed already; remove it first (dpkg -r kivo)"
fi
remove_package() { $SUDO dpkg -P kivo >/dev/null 2>&1 || true; }
trap remove_package EXIT

echo "== install"
$SUDO dpkg -i "$deb"
mapfile -t files < <(dpkg -L kivo)

# Where Debian expects each part.
for path in /usr/bin/kivo /usr/bin/kvmp /usr/bin/kivoctl /usr/bin/xrrps /usr/bin/kivo-remote \
    /usr/share/kivo/help/166.htm /usr/share/icons/hicolor/scalable/apps/kivo.svg \
    /usr/share/applications/kivo.desktop /usr/share/applications/kvmp.desktop \
    /usr/share/mime/packages/kivo-recordings.xml /usr/lib/udev/rules.d/70-kivo-pedal.rules \
    /usr/share/metainfo/org.kivo.Kivo.metainfo.xml /usr/share/man/man1/kivoctl.1; do
    [ -e "$path" ] || fail "the package did not install $path"
done
ls /usr/lib/*/libXRSAVE.so >/dev/null || fail "the package did not install its libraries"

echo "== installed programs"
kivo --version | grep -q '^kivo ' || fail "kivo --version"
kvmp --version | grep -q '^kvmp ' || fail "kvmp --version"
kivoctl --version | grep -q '^kivoctl ' || fail "kivoctl --version"
xrrps --version | grep -q '^xrrps ' || fail "xrrps --version"
kivo-remote --version | grep -q '^kivo-remote ' || fail "kivo-remote --version"
for page in kivo kvmp kivoctl xrrps kivo-remote; do
    MANWIDTH=80 man -P cat "$page" 2>/dev/null | grep -q "$page" || fail "man $page"
done
MANWIDTH=80 man -P cat kivoctl | head -5
# The MIME database knows the recording files once the package's triggers ran.
grep -q 'application/x-kivo-recording' /usr/share/mime/types 2>/dev/null ||
    fail "the MIME type of recordings is not in the MIME database"

echo "== remove"
$SUDO dpkg -r kivo
trap - EXIT
for path in "${files[@]}"; do
    if [ -f "$path" ] || [ -L "$path" ]; then fail "dpkg -r left $path"; fi
done
installed && fail "kivo is still installed"
# The package has no configuration files: purging only forgets it.
$SUDO dpkg -P kivo >/dev/null
echo "check-package: $(basename "$deb") installs, works and removes cleanly"
