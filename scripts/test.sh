#!/bin/sh
# Installs what is missing, builds and runs every test through CTest, in three builds:
#   1. the normal build, warnings as errors: every test;
#   2. AddressSanitizer + UndefinedBehaviorSanitizer: every test;
#   3. ThreadSanitizer: the engine and component tests (the threaded part of the program).
# Usage: scripts/test.sh [--quick]    (--quick runs only the first build)
# Build folders live under build/ (BUILD_ROOT overrides).
set -eu
cd "$(dirname "$0")/.."

QUICK=0
for arg in "$@"; do
    case "$arg" in
    --quick) QUICK=1 ;;
    *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
    esac
done

./scripts/install-deps.sh

BUILD_ROOT=${BUILD_ROOT:-build}
JOBS=$(nproc)

configure_and_build() { # folder, extra cmake arguments...
    dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DQUORVANE_WERROR=ON "$@"
    cmake --build "$dir" --parallel "$JOBS"
}

run_tests() { # folder (a build folder or one of its test subfolders)
    ctest --test-dir "$1" --output-on-failure --timeout 300 --parallel "$JOBS"
}

configure_and_build "$BUILD_ROOT/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_tests "$BUILD_ROOT/test"

[ "$QUICK" -eq 1 ] && exit 0

SAN_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
configure_and_build "$BUILD_ROOT/asan" -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$SAN_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$SAN_FLAGS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS="suppressions=$(pwd)/scripts/sanitizers/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_tests "$BUILD_ROOT/asan"

TSAN_FLAGS="-fsanitize=thread -fno-omit-frame-pointer"
configure_and_build "$BUILD_ROOT/tsan" -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$TSAN_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$TSAN_FLAGS"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$(pwd)/scripts/sanitizers/tsan.supp"
run_tests "$BUILD_ROOT/tsan/tests/engine"
run_tests "$BUILD_ROOT/tsan/tests/component"
