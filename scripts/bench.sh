#!/bin/sh
# Builds a Release tree and runs every benchmark several times on pseudo-terminals, then prints
# a table of medians and spreads, each figure beside its floor measured in the same run, and
# writes it with the machine's description to bench/RESULTS.md.
#   scripts/bench.sh [runs] [idle-seconds]      (defaults: 5 runs, 10 s of idling)
# QUORVANE_BENCH_BUILD names the build folder (default build-bench). The benchmarks make their
# own virtual COM folder; they never open the machine's serial devices.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVANE_BENCH_BUILD:-$root/build-bench}
runs=${1:-5}
idle=${2:-10}
# The simulator idles and is polled for this long each; it is the bench's cost, not the program's.
sim=5

"$root/scripts/install-deps.sh"
# Warnings stay warnings here: g++ 12 at -O3 reports false restrict overlaps in library code.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_WERROR=OFF >/dev/null
cmake --build "$build" -j2 --target quorvane_component_bench quorvane_startup_bench \
    quorvane_sio_engine_bench quorvane_encoder_sim_idle_bench quorvane_tones_bench \
    quorvane_report_bench quorvane_report_layout_bench quorvane_alarm_result_bench

results=$(mktemp)
table=$(mktemp)
trap 'rm -f "$results" "$table"' EXIT
# Every benchmark gets a fresh virtual COM folder of its own; none may see a real device.
export QT_QPA_PLATFORM=offscreen
i=1
while [ "$i" -le "$runs" ]; do
    echo "run $i of $runs" >&2
    "$build/bench/component/quorvane_component_bench" "$idle" 2>/dev/null >>"$results"
    "$build/bench/component/quorvane_startup_bench" 2>/dev/null >>"$results"
    "$build/bench/engine/quorvane_sio_engine_bench" "$idle" >>"$results"
    "$build/bench/encoder-sim/quorvane_encoder_sim_idle_bench" "$sim" | awk -v s="$sim" '
        /^idle/ { phase = "sim_idle" } /^polled/ { phase = "sim_polled" }
        /process CPU time/ { printf "%s_cpu_ms %.3f\n", phase, $4 * 1000 * 10 / s }
        /simulator wake-ups/ { printf "%s_wakeups_per_s %.3f\n", phase, $3 / s }' >>"$results"
    "$build/bench/tones/quorvane_tones_bench" >>"$results"
    "$build/bench/report/quorvane_report_bench" 2>/dev/null >>"$results"
    "$build/bench/report/quorvane_report_layout_bench" 2>/dev/null >>"$results"
    "$build/bench/tones/quorvane_alarm_result_bench" >>"$results"
    i=$((i + 1))
done

# "median lowest highest" of one figure over the runs, or "-" when it is missing.
stats() {
    awk -v n="$1" '$1 == n { print $2 }' "$results" | sort -g | awk '
        { v[NR] = $1 }
        END { if (NR == 0) { print "- - -"; exit }
              m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "%.4g %.4g %.4g\n", m, v[1], v[NR] }'
}

# label | figure | floor figure ("-" for none) | unit
while IFS='|' read -r label figure floor unit; do
    case "$label" in
    "#"*) echo "$label" >>"$table"; continue ;;
    esac
    set -- $(stats "$figure")
    f_med=$1 f_low=$2 f_high=$3
    if [ "$floor" = "-" ]; then
        echo "$label|$unit|$f_med|$f_low – $f_high|||" >>"$table"
    else
        set -- $(stats "$floor")
        ratio=$(awk -v a="$f_med" -v b="$1" -v u="$unit" 'BEGIN {
            if (u != "flag" && u != "count" && b + 0 > 0 && a != "-") printf "%.2f", a / b }')
        echo "$label|$unit|$f_med|$f_low – $f_high|$1|$2 – $3|$ratio" >>"$table"
    fi
done <<'ROWS'
# Port component (TSioComPort, Qt notification window, GUI thread)
reply latency, peer's answer to OnTriggerAvail, median|component_reply_median_us|component_floor_reply_median_us|µs
reply latency, p99|component_reply_p99_us|component_floor_reply_p99_us|µs
reply latency, max|component_reply_max_us|component_floor_reply_max_us|µs
poll/reply round trip from WriteString, median|component_roundtrip_median_us|component_floor_roundtrip_median_us|µs
round trip, p99|component_roundtrip_p99_us|component_floor_roundtrip_p99_us|µs
round trip, max|component_roundtrip_max_us|component_floor_roundtrip_max_us|µs
throughput out (WriteString, 4 MiB checked)|component_tx_MBps|component_floor_tx_MBps|MB/s
throughput in (ReadChar per byte, 4 MiB checked)|component_rx_MBps|component_floor_rx_MBps|MB/s
bytes per data-available notification while streaming in|component_rx_bytes_per_notification|-|B
share of the in-stream's time spent in the handler's ReadChar calls|component_rx_handler_share|-|fraction
bytes intact out / in (1 = all)|component_tx_intact|component_rx_intact|flag
idle CPU of an open port, per 10 s|component_idle_cpu_ms_per_10s|component_floor_idle_cpu_ms_per_10s|ms
idle worker wake-ups|component_idle_wakeups_per_s|-|1/s
idle context switches of other threads|component_idle_switches_per_s|-|1/s
open+close, median|component_openclose_median_us|component_floor_openclose_median_us|µs
open+close, p99|component_openclose_p99_us|component_floor_openclose_p99_us|µs
open+close, max|component_openclose_max_us|component_floor_openclose_max_us|µs
descriptors / threads left after open+close cycles|component_openclose_fds_left|component_openclose_threads_left|count
# Main window start-up with 50 probed ports
construction to first poll at the encoder (floor: raw probes + a bare 500 ms QTimer tick)|startup_first_poll_ms|startup_floor_first_poll_ms|ms
TMainForm construction (floor: raw probes)|startup_construct_ms|startup_floor_probe50_ms|ms
50 probes through the engine (floor: raw probes)|startup_probe50_ms|startup_floor_probe50_ms|ms
# Engine alone (dispatcher and its workers, no Qt)
reply latency, median|engine_reply_median_us|engine_floor_reply_median_us|µs
reply latency, p99|engine_reply_p99_us|engine_floor_reply_p99_us|µs
round trip, median|engine_roundtrip_median_us|engine_floor_roundtrip_median_us|µs
round trip, p99|engine_roundtrip_p99_us|engine_floor_roundtrip_p99_us|µs
throughput out|engine_tx_MBps|engine_floor_tx_MBps|MB/s
throughput in|engine_rx_MBps|engine_floor_rx_MBps|MB/s
idle CPU of an open port, per 10 s|engine_idle_cpu_ms_per_10s|engine_floor_idle_cpu_ms_per_10s|ms
idle worker wake-ups|engine_idle_wakeups_per_s|-|1/s
open+close, median|engine_openclose_median_us|engine_floor_openclose_median_us|µs
open+close, p99|engine_openclose_p99_us|engine_floor_openclose_p99_us|µs
open+close, max|engine_openclose_max_us|engine_floor_openclose_max_us|µs
# Simulated encoder (not part of the program; its cost on the test bench)
idle CPU, per 10 s|sim_idle_cpu_ms|-|ms
idle wake-ups|sim_idle_wakeups_per_s|-|1/s
CPU while polled every 500 ms, per 10 s|sim_polled_cpu_ms|-|ms
# Tone decoder on live input (share of one core; floor: a pass summing the samples' squares)
48 kHz|tones_cpu_percent_48000|tones_floor_cpu_percent_48000|%
44.1 kHz|tones_cpu_percent_44100|tones_floor_cpu_percent_44100|%
22.05 kHz|tones_cpu_percent_22050|tones_floor_cpu_percent_22050|%
8 kHz|tones_cpu_percent_8000|tones_floor_cpu_percent_8000|%
signals heard per minute at 48 kHz (3 in each of the 17.9 alarms sent)|tones_signals_heard_per_min_48000|-|1/min
# Prüfbericht of a day's file of 1,000 rows: read, laid out, written as PDF (as quorvane-report)
text only, wall time|report_rows_ms|-|ms
text only, PDF size|report_rows_kB|-|kB
a measurement sheet (19 lines) under every row, wall time|report_sheets_ms|-|ms
a measurement sheet (19 lines) under every row, PDF size|report_sheets_kB|-|kB
the sheet and an 830x480 picture under every row, wall time|report_pictures_ms|-|ms
the sheet and an 830x480 picture under every row, PDF size|report_pictures_kB|-|kB
# Prüfbericht layout as a field without blanks grows (lines of the 11 mm "Zeit" column; floor: Qt's own wrapping)
10 kB field broken into lines|layout_wrap_ms_10000|layout_qt_wrap_ms_10000|ms
30 kB field, Qt's own wrapping only|layout_qt_wrap_ms_30000|-|ms
100 kB field broken into lines|layout_wrap_ms_100000|-|ms
1 MB field broken into lines|layout_wrap_ms_1000000|-|ms
10 MB field broken into lines|layout_wrap_ms_10000000|-|ms
time per character, 10 kB field|layout_wrap_ns_per_char_10000|-|ns
time per character, 10 MB field|layout_wrap_ns_per_char_10000000|-|ns
whole report of a row with a 10 kB field (read, laid out, written)|layout_report_ms_10000|-|ms
whole report of a row with a 10 MB field (shows its first 10,000 characters)|layout_report_ms_10000000|-|ms
whole report of 100,000 rows|layout_report_100k_rows_ms|-|ms
# One row's results beyond decoding: the judgement with its measurement sheet, the two-panel picture (60 s of audio kept) and its PNG, best of 5
judgement and sheet, 48 kHz|alarm_judgement_ms_48000|-|ms
two-panel picture, 48 kHz|alarm_picture_ms_48000|-|ms
two-panel picture, 22.05 kHz|alarm_picture_ms_22050|-|ms
two-panel picture, 8 kHz|alarm_picture_ms_8000|-|ms
the picture as PNG (in memory), 48 kHz|alarm_png_ms_48000|-|ms
all three, 48 kHz|alarm_row_results_ms_48000|-|ms
ROWS

out="$root/bench/RESULTS.md"
{
    echo "# Benchmark results"
    echo
    echo "Generated by \`scripts/bench.sh $runs $idle\` on $(date -u '+%Y-%m-%d %H:%M UTC'):"
    echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'),"
    echo "Linux $(uname -r), Release build, $runs runs of each benchmark, idle periods of $idle s."
    echo "Every figure is the median over the runs with its spread (lowest – highest); the floor"
    echo "is measured in the same run on the same pseudo-terminal: a single-threaded raw"
    echo "poll()+read() client for latency and throughput, a bare 50 ms poll() loop for idling,"
    echo "raw open/flock/TIOCEXCL/tcsetattr/close for open+close, raw open/flock/close of the same"
    echo "50 links for start-up. Ratio is figure / floor (for throughput, below 1 is slower)."
    echo
    awk -F'|' '
        /^#/ { sub(/^# */, ""); printf "\n**%s**\n\n", $0
               print "| figure | unit | median | spread | floor | floor spread | ratio |"
               print "|---|---|---|---|---|---|---|"; next }
        { printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }' "$table"
    echo
    cat "$root/bench/NOTES.md"
} >"$out"
cat "$out"
