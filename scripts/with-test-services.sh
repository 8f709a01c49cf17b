#!/usr/bin/env bash
# Runs a command with what Kivo's tests need on a headless machine: a private
# HOME and XDG_RUNTIME_DIR, Qt's offscreen platform, a session bus and a
# PulseAudio server with a null sink "vsink" and its monitor remapped as the
# source "vmic" (a tone played into vsink is recorded back from vmic).
set -euo pipefail
SCRATCH="$(mktemp -d "${TMPDIR:-/tmp}/kivo-test-env.XXXXXX")"
export HOME="$SCRATCH/home"
export XDG_RUNTIME_DIR="$SCRATCH/run"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

cleanup() {
    if command -v pulseaudio >/dev/null; then pulseaudio --kill >/dev/null 2>&1 || true; fi
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

if command -v pulseaudio >/dev/null && [ -z "${KIVO_NO_PULSE:-}" ]; then
    pulseaudio -n --daemonize=yes --exit-idle-time=-1 --system=false \
        --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=vsink" \
        --load="module-remap-source master=vsink.monitor source_name=vmic" \
        >/dev/null 2>&1 || echo "note: PulseAudio did not start; real-device tests will skip" >&2
    pactl set-default-sink vsink >/dev/null 2>&1 || true
    pactl set-default-source vmic >/dev/null 2>&1 || true
fi

if command -v dbus-run-session >/dev/null && [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    dbus-run-session -- "$@"
else
    "$@"
fi
