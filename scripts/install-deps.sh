#!/bin/sh
# Installs what building, testing and running Quorvane needs on Debian 12, or, given package
# names, just those. Only what is missing is installed, so it is safe to run again.
# Usage: scripts/install-deps.sh [package ...]
set -eu

# The last line serves the tests only: multimon-ng is an independent tone decoder to check
# ours against, PulseAudio a sound server of the tests' own to play the simulator into, and
# poppler-utils reads the test reports' PDF back as text and pictures.
DEFAULT_PACKAGES="build-essential cmake ninja-build pkg-config \
qt6-base-dev qt6-multimedia-dev qt6-translations-l10n libgl-dev \
libgtest-dev libgmock-dev libbenchmark-dev \
xvfb xauth x11-apps imagemagick file fonts-liberation2 \
multimon-ng pulseaudio pulseaudio-utils poppler-utils"
PACKAGES=${*:-$DEFAULT_PACKAGES}

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
