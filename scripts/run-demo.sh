#!/bin/sh
# Installs what is missing, builds, and starts Quorvane against a simulated encoder.
#
# The simulated encoder runs on a virtual COM1 in a temporary QUORVANE_COM_DIR, so no real
# serial port is touched; Quorvane runs in a temporary working folder that holds a sample
# "Tonfolgen.txt". Closing the window ends the demo and stops the simulator.
# Without a display the demo runs under Xvfb: it saves a screenshot of the window once it has
# started, says where, and ends.
#   BUILD_DIR   build folder (default: build/demo)
#   DEMO_SHOT   screenshot file without a display (default: $BUILD_DIR/quorvane-demo.png)
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)

./scripts/install-deps.sh

BUILD_DIR=${BUILD_DIR:-build/demo}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" --target quorvane quorvane-encoder-sim

case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
QUORVANE="$BUILD_DIR/app/main/quorvane"
ENCODER_SIM="$BUILD_DIR/tools/encoder-sim/quorvane-encoder-sim"
SHOT=${DEMO_SHOT:-$BUILD_DIR/quorvane-demo.png}

COM_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-com.XXXXXX")
WORK_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-work.XXXXXX")
SIM_PID=""
cleanup() {
    if [ -n "$SIM_PID" ]; then
        kill "$SIM_PID" 2>/dev/null || true
        wait "$SIM_PID" 2>/dev/null || true
    fi
    rm -rf "$COM_DIR" "$WORK_DIR"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A sample code list: five fixed codes, one per line, as the encoder expects them.
printf '@62380@\r\n@62381@\r\n@62382@\r\n@12345F\r\n@56789@\r\n' >"$WORK_DIR/Tonfolgen.txt"

"$ENCODER_SIM" --dir "$COM_DIR" --com 1 >"$WORK_DIR/encoder-sim.log" 2>&1 &
SIM_PID=$!
tries=0
until [ -e "$COM_DIR/COM1" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$SIM_PID" 2>/dev/null; then
        echo "run-demo: the simulated encoder did not start:" >&2
        cat "$WORK_DIR/encoder-sim.log" >&2
        exit 1
    fi
    sleep 0.1
done
echo "run-demo: simulated encoder on $COM_DIR/COM1 (QUORVANE_COM_DIR=$COM_DIR)"

export QUORVANE_COM_DIR="$COM_DIR"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-demo: starting Quorvane; close its window to end the demo"
    (cd "$WORK_DIR" && "$QUORVANE")
    exit 0
fi

# No display: run the window on a virtual X server, photograph it once it is up, then end.
echo "run-demo: no display, running under Xvfb"
mkdir -p "$(dirname "$SHOT")"
export QUORVANE_BIN="$QUORVANE" QUORVANE_WORK="$WORK_DIR" QUORVANE_SHOT="$SHOT"
# The inner script expands its variables itself, on the virtual display.
# shellcheck disable=SC2016
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh -c '
    set -eu
    cd "$QUORVANE_WORK"
    "$QUORVANE_BIN" &
    app=$!
    # Give the window time to come up and to see a few polls answered.
    sleep 4
    if command -v import >/dev/null 2>&1; then
        import -window root "$QUORVANE_SHOT"
    else
        xwd -root -silent -out "$QUORVANE_SHOT.xwd"
        QUORVANE_SHOT="$QUORVANE_SHOT.xwd"
    fi
    echo "run-demo: screenshot of the window saved to $QUORVANE_SHOT"
    kill "$app"
    wait "$app" 2>/dev/null || true
'
echo "run-demo: the window has closed; the simulated encoder is stopped"
