#!/bin/sh
# Installs the built Debian package on this machine and checks it as a user meets it: the manual
# pages open, and the installed program starts (offscreen) and opens the installed simulated
# encoder's virtual port. Removes the package again afterwards unless it was installed before.
# Usage: scripts/check-package.sh [package.deb]   (default: build/package/quorvane_*.deb)
set -eu
cd "$(dirname "$0")/.."

deb=$(realpath "${1:-$(ls build/package/quorvane_*.deb)}")
./scripts/install-deps.sh man-db

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
installed_before=false
dpkg-query -W -f='${Status}' quorvane 2>/dev/null | grep -q "install ok installed" &&
    installed_before=true

work=$(mktemp -d)
sim_pid=""
app_pid=""
cleanup() {
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    wait
    rm -rf "$work"
    $installed_before || $SUDO apt-get remove -y quorvane >/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "check-package: $*" >&2
    exit 1
}

# Waits up to ten seconds until the command given succeeds.
wait_for() {
    tries=100
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# The simulator has linked its port; the program holds the port's terminal open.
sim_linked() { [ -L "$work/ports/COM1" ]; }
port_taken() {
    for fd in "/proc/$app_pid/fd/"*; do
        [ "$(readlink "$fd")" = "$terminal" ] && return 0
    done
    return 1
}

DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "$deb"

pages="quorvane quorvane-encoder-sim"
[ -x /usr/bin/quorvane-tones ] && pages="$pages quorvane-tones"
[ -x /usr/bin/quorvane-report ] && pages="$pages quorvane-report"
for page in $pages; do
    MANWIDTH=80 man "$page" 2>/dev/null | grep -q "QUORVANE" || fail "man $page shows no page"
    echo "man $page: $(man -w "$page")"
done

# The report command works without a display, as from a script or over ssh.
if [ -x /usr/bin/quorvane-report ]; then
    printf 'Datum;Zeit;Code;Ergebnis\r\n2026-12-07;14:05:09;12345;stimmt\r\n' >"$work/day.csv"
    env -u DISPLAY -u QT_QPA_PLATFORM /usr/bin/quorvane-report "$work/day.csv" \
        -o "$work/report.pdf" || fail "quorvane-report made no report"
    [ "$(head -c 5 "$work/report.pdf")" = "%PDF-" ] || fail "quorvane-report wrote no PDF"
    echo "quorvane-report writes a PDF"
fi

mkdir "$work/ports" "$work/folder"
/usr/bin/quorvane-encoder-sim --dir "$work/ports" >"$work/sim.out" 2>&1 &
sim_pid=$!
wait_for sim_linked || fail "the simulator made no COM1: $(cat "$work/sim.out")"
terminal=$(readlink "$work/ports/COM1")

printf '@62380@\n' >"$work/folder/Tonfolgen.txt"
(cd "$work/folder" && QUORVANE_COM_DIR="$work/ports" QT_QPA_PLATFORM=offscreen \
    exec /usr/bin/quorvane >"$work/quorvane.out" 2>&1) &
app_pid=$!
wait_for port_taken ||
    fail "quorvane did not open the simulator's port $terminal: $(cat "$work/quorvane.out")"
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "quorvane ended: $(cat "$work/quorvane.out")"
echo "quorvane runs on the simulator's COM1 ($terminal)"
