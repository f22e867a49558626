#!/bin/sh
# Builds the Debian package: the programs, their manual pages, a menu entry and an icon, and
# checks it with lintian when lintian is installed (errors fail the build).
#   BUILD_DIR  build folder (default: build/package); the .deb lands there.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build/package}
# Debian's hardening flags (fortified libc calls, stack protector, full RELRO with BINDNOW),
# passed explicitly so that a build folder configured earlier takes them too.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
rm -f "$BUILD_DIR"/quorvane_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
deb=$(ls "$BUILD_DIR"/quorvane_*.deb)

if command -v lintian >/dev/null; then
    lintian --display-info --fail-on error "$deb"
else
    echo "lintian is not installed, so the package is not checked" \
        "(./scripts/install-deps.sh lintian)"
fi
echo "$deb"
