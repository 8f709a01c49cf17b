#!/bin/sh
# Runs a test program under a private session bus with an unlocked GNOME
# keyring (the desktop's secret service), in a private HOME; with --locked,
# the keyring daemon is left to start on demand and finds no one to unlock
# it, as on a headless machine.
# Usage: with_keyring.sh [--locked] PROGRAM [ARGS...]
set -eu
if ! command -v gnome-keyring-daemon >/dev/null || ! command -v dbus-run-session >/dev/null; then
    echo "gnome-keyring-daemon or dbus-run-session is missing: nothing to test against"
    exit 77
fi
SCRATCH="$(mktemp -d "${TMPDIR:-/tmp}/kivo-keyring.XXXXXX")"
trap 'rm -rf "$SCRATCH"' EXIT
export HOME="$SCRATCH/home" XDG_RUNTIME_DIR="$SCRATCH/run" XDG_DATA_HOME="$SCRATCH/home/.local/share"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY
if [ "${1:-}" = "--locked" ]; then
    shift
    export KIVO_TEST_NO_SECRET_SERVICE=1
    exec dbus-run-session -- "$@"
fi
export KIVO_TEST_KEYRING=1
dbus-run-session -- sh -c '
    eval "$(printf "test-login" | gnome-keyring-daemon --daemonize --unlock --components=secrets)"
    "$@"
' sh "$@"
