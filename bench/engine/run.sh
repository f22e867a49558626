#!/bin/sh
# Runs the engine benchmark several times on a fresh virtual port and prints, per figure, the
# median and the spread (lowest and highest) over the runs.
#   bench/engine/run.sh [build-dir] [runs] [idle-seconds]
set -eu
build=${1:-build}
runs=${2:-5}
idle=${3:-10}
bench="$build/bench/engine/quorvane_sio_engine_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build $build --target quorvane_sio_engine_bench)" >&2; exit 1; }
results=$(mktemp)
trap 'rm -f "$results"' EXIT
i=0
while [ "$i" -lt "$runs" ]; do
    "$bench" "$idle" >>"$results"
    i=$((i + 1))
done
python3 - "$results" "$runs" <<'PY'
import statistics, sys
values = {}
order = []
for line in open(sys.argv[1]):
    name, value = line.split()
    if name not in values:
        values[name] = []
        order.append(name)
    values[name].append(float(value))
print(f"{'figure':28} {'median':>12} {'lowest':>12} {'highest':>12}   ({sys.argv[2]} runs)")
for name in order:
    v = values[name]
    print(f"{name:28} {statistics.median(v):12.3f} {min(v):12.3f} {max(v):12.3f}")
PY
