#!/usr/bin/env bash
# `cmake --install` into a staging folder puts every part where Debian
# expects it, and the installed desktop entries, AppStream metainfo and
# manual pages are valid.
# Usage: install_layout_test.sh BUILD_FOLDER
set -euo pipefail
BUILD="$1"
STAGE="$(mktemp -d)"
trap 'rm -rf "$STAGE"' EXIT
fail() {
    echo "install_layout_test: $*" >&2
    exit 1
}

DESTDIR="$STAGE" cmake --install "$BUILD" --prefix /usr >/dev/null
usr="$STAGE/usr"
for path in bin/kivo bin/kvmp bin/kivoctl bin/xrrps bin/kivo-remote \
    share/kivo/help/166.htm share/kivo/icons/kivo.svg \
    share/icons/hicolor/scalable/apps/kivo.svg \
    share/applications/kivo.desktop share/applications/kvmp.desktop \
    share/mime/packages/kivo-recordings.xml lib/udev/rules.d/70-kivo-pedal.rules \
    share/metainfo/org.kivo.Kivo.metainfo.xml \
    share/man/man1/kivo.1 share/man/man1/kvmp.1 share/man/man1/kivoctl.1 \
    share/man/man1/xrrps.1 share/man/man1/kivo-remote.1; do
    [ -e "$usr/$path" ] || fail "cmake --install did not install /usr/$path"
done
for library in XRSAVE zn2xrrps Zn2Fmt; do
    compgen -G "$usr/lib*/lib$library.so" >/dev/null ||
        compgen -G "$usr/lib/*/lib$library.so" >/dev/null ||
        fail "cmake --install did not install lib$library.so"
done
# Nothing of the build or the tests goes along.
if find "$STAGE" -name '*_tests' -o -name '*.o' | grep -q .; then
    fail "cmake --install installs test programs or objects"
fi

# The programs find their libraries where they were installed.
for program in kivoctl xrrps; do
    if ldd "$usr/bin/$program" | grep -q 'not found'; then
        fail "$program does not find its libraries once installed"
    fi
done

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$usr/share/applications/kivo.desktop" \
        "$usr/share/applications/kvmp.desktop" || fail "desktop entries"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$usr/share/metainfo/org.kivo.Kivo.metainfo.xml" ||
        fail "AppStream metainfo"
fi
if command -v man >/dev/null; then
    for page in "$usr"/share/man/man1/*.1; do
        warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
        [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
        LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^NAME' ||
            fail "$(basename "$page") has no NAME section"
    done
fi
echo "install_layout_test: every part installed where Debian expects it"
