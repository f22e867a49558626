#!/bin/sh
# Builds the fuzz targets under fuzz/ with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time. Installs what is missing first.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]   (default: every target)
# The build folder is build/fuzz (BUILD_ROOT overrides build/). Each target's corpus grows in
# <build folder>/corpus/<target>, seeded from fuzz/corpus/<target without fuzz_>; its output goes
# to <build folder>/logs/<target>.log. A crash, hang, leak or sanitizer report is saved under
# <build folder>/findings/<target>/, the script names the file and exits 1 after the last target.
set -eu
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-60}
case "$SECONDS_PER_TARGET" in
'' | *[!0-9]*) echo "usage: $0 [seconds per target] [target ...]" >&2; exit 2 ;;
esac
[ $# -gt 0 ] && shift

LLVM_VERSION=14
./scripts/install-deps.sh "clang-$LLVM_VERSION" "libclang-rt-$LLVM_VERSION-dev" "llvm-$LLVM_VERSION" \
    cmake ninja-build

BUILD=${BUILD_ROOT:-build}/fuzz
cmake -S fuzz -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER="clang++-$LLVM_VERSION" -DQUORVANE_WERROR=ON
cmake --build "$BUILD" --parallel "${JOBS:-$(nproc)}"

TARGETS="$*"
if [ -z "$TARGETS" ]; then
    TARGETS=$(find "$BUILD" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x -exec basename {} \; | sort)
fi

# The sanitizers' reports name functions and lines only with the symbolizer on the path.
PATH="/usr/lib/llvm-$LLVM_VERSION/bin:$PATH"
export PATH
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export UBSAN_OPTIONS

failed=""
for target in $TARGETS; do
    corpus="$BUILD/corpus/$target"
    findings="$BUILD/findings/$target"
    log="$BUILD/logs/$target.log"
    seeds="fuzz/corpus/${target#fuzz_}"
    rm -rf "$findings"
    mkdir -p "$corpus" "$findings" "$BUILD/logs"
    [ -d "$seeds" ] || seeds=""
    echo "== $target: ${SECONDS_PER_TARGET} s"
    # -timeout: one input running longer than this is reported as a hang.
    # shellcheck disable=SC2086
    if "$BUILD/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" $seeds >"$log" 2>&1; then
        grep -E '^Done [0-9]+ runs' "$log" || true
        grep -E '^#[0-9]+.*(DONE|cov:)' "$log" | tail -n 1 || true
    else
        failed="$failed $target"
        tail -n 60 "$log"
        for input in "$findings"/*; do
            [ -e "$input" ] || continue
            echo "FINDING in $target: $input"
            echo "  reproduce: $BUILD/$target $input"
        done
        echo "full output: $log"
    fi
done

if [ -n "$failed" ]; then
    echo "fuzzing found problems in:$failed" >&2
    exit 1
fi
echo "fuzzing: no finding in $(echo "$TARGETS" | wc -w) targets"
