#!/bin/sh
# Builds the Debian package: the program, the simulated encoder, a menu entry and an icon.
#   BUILD_DIR  build folder (default: build/package); the .deb lands there.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build/package}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
(cd "$BUILD_DIR" && cpack -G DEB)
ls "$BUILD_DIR"/quorvane_*.deb
