#!/usr/bin/env bash
# Installs every Debian 12 package Kivo needs to build, run and test.
# Run it as root (no sudo needed) or as a user who may use sudo: it calls
# apt-get through sudo only when it is not root. Safe to run again.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps.sh: run it as root, or install sudo" >&2
        exit 1
    fi
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
PACKAGES=(
    # toolchain and test frameworks
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev
    # Qt 6
    qt6-base-dev qt6-multimedia-dev libqt6svg6-dev qt6-tools-dev libqt6opengl6-dev
    libgl-dev libxkbcommon-dev
    qt6-qpa-plugins libqt6multimediawidgets6 gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    # video of the message player: Qt 6.4's media player uses GStreamer, which
    # needs the ASF demuxer (ugly) and the Windows Media decoders (libav)
    gstreamer1.0-plugins-ugly gstreamer1.0-libav
    # audio: codecs, effects, live speed
    libflac-dev libflac++-dev libsndfile1-dev libsox-dev libsox-fmt-all libsoundtouch-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    # desktop integration, remote control, hot keys
    libx11-dev shared-mime-info desktop-file-utils xdg-utils
    # headless run-time for tests: display, session bus, sound server
    xvfb xauth dbus dbus-x11 pulseaudio pulseaudio-utils playerctl xdotool
    # tools used by tests and benchmarks
    ffmpeg sox espeak-ng tar coreutils
    # bsdtar, the extraction reference of bench/repository/repository_process_bench
    libarchive-tools
    # telephony: SIP lines through liblinphone; SIPp, an independent SIP peer for tests
    liblinphone-dev sip-tester
    # the Debian package: dpkg-shlibdeps for its dependencies, man for its
    # manual pages, appstreamcli for its metainfo (scripts/check-package.sh)
    dpkg-dev man-db appstream
    # smart search: WordNet for English, MyThes thesauri for other languages
    wordnet-base wordnet-dev libmythes-dev mythes-en-us mythes-de
    # the print tests read the printed PDF back (pdftotext, pdfinfo)
    poppler-utils
    # translation and speech: the Apertium translator and its pairs (English-Spanish,
    # Spanish-Portuguese, English-Catalan and the pairs joining French, Italian and
    # Catalan to Spanish), espeak-ng's library for the voices
    apertium apertium-eng-spa apertium-es-pt apertium-eng-cat apertium-fr-es
    apertium-spa-ita apertium-spa-cat apertium-fra-cat apertium-por-cat libespeak-ng-dev
    # video records: picture scaling, and the camera inputs (Video4Linux, the
    # virtual camera's test picture) of FFmpeg
    libswscale-dev libavdevice-dev
    # phone-line passwords in the desktop's secret store (libsecret); the tests
    # run a GNOME keyring under a private session bus, make a self-signed
    # certificate (openssl) and run a small TLS registrar (python3)
    libsecret-1-dev gnome-keyring openssl python3
)
if [ -z "${KIVO_SKIP_APT_UPDATE:-}" ]; then
    $SUDO apt-get update -qq
fi
$SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}"
