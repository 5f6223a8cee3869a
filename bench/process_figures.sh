#!/usr/bin/env bash
# The daemon's whole-process figures, each against its floor measured in the
# same run: CPU while idle, resident memory after a thousand requests, and the
# time from start-up to the first answer. Run by scripts/bench:
#   process_figures.sh BUILD_DIR ROWS NOTES [RUNS [IDLE_SECONDS]]
# ROWS gets markdown table rows (figure, cost, floor, ratio, goal), NOTES the
# text saying how they were measured. Every run has a scratch sandbox of its
# own (scripts/sandbox --net --scratch): /var/log, /var/lib, /sbin/init and
# port 3180 there are its own, never the machine's.
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 BUILD_DIR ROWS NOTES [RUNS [IDLE_SECONDS]]" >&2
  exit 2
fi
build=$(realpath "$1") rows=$2 notes=$3 runs=${4:-5} idle_seconds=${5:-60}
requests=1000
sandbox=$(dirname "$0")/../../scripts/sandbox

# --- Run inside a sandbox (see sandboxed) -------------------------------------

in_sandbox() {  # BUILD STEP ARGS...: a store with the factory defaults, then STEP
  # A daemon left behind would keep its namespaces alive, idling for ever.
  trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
  "$1/bin/kip-param-store" init >/dev/null
  "$2" "$1" "${@:3}"
}

cpu_ns() { cut -d' ' -f1 "/proc/$1/schedstat"; }  # CPU time so far, to the nanosecond
# "peak anonymous" resident KiB: VmHWM, and RssAnon now (no peak of it is kept).
memory_kib() { awk '/^VmHWM:/ { peak = $2 } /^RssAnon:/ { anon = $2 } END { print peak, anon }' "/proc/$1/status"; }

wait_bound() {  # PID: until the daemon has bound port 3180, which ends its start-up
  until grep -q ' 00000000:0C6C ' /proc/net/udp; do
    kill -0 "$1"
    sleep 0.01
  done
}

idle_run() {  # BUILD SECONDS: "daemon-ns floor-ns window-ns" over SECONDS of idling side by side
  local daemon floor t0 d0 f0 t1 d1 f1
  "$1/bin/app-kip-param" 2>/var/log/daemon.err &
  daemon=$!
  "$1/bench/kip-process-floor" idle &
  floor=$!
  wait_bound "$daemon"
  sleep 1
  t0=$(date +%s%N) d0=$(cpu_ns "$daemon") f0=$(cpu_ns "$floor")
  sleep "$2"
  t1=$(date +%s%N) d1=$(cpu_ns "$daemon") f1=$(cpu_ns "$floor")
  kill "$daemon" "$floor"
  wait "$daemon" "$floor" || true
  echo "$((d1 - d0)) $((f1 - f0)) $((t1 - t0))"
}

request_run() {  # BUILD COUNT: "start-up-ms daemon-peak-KiB daemon-anon-KiB floor-peak-KiB floor-anon-KiB"
  local fast=$1/bench/kip-fast-waits.so startup daemon daemon_kib floor floor_kib
  startup=$("$1/bench/kip-process-probe" first-reply "$1/bin/app-kip-param" 2>>/var/log/daemon.err)
  LD_PRELOAD=$fast "$1/bin/app-kip-param" 2>>/var/log/daemon.err &
  daemon=$!
  "$1/bench/kip-process-probe" requests "$2"
  daemon_kib=$(memory_kib "$daemon")
  kill "$daemon"
  wait "$daemon"
  mkfifo /var/log/ready
  LD_PRELOAD=$fast "$1/bench/kip-process-floor" memory >/var/log/ready &
  floor=$!
  read -r _ </var/log/ready
  floor_kib=$(memory_kib "$floor")
  kill "$floor"
  wait "$floor" || true
  echo "$startup $daemon_kib $floor_kib"
}

# Only through here do the steps run, so the daemon never reaches the machine's paths.
sandboxed() {  # STEP ARGS...
  "$sandbox" --net --scratch bash -c \
    "set -euo pipefail; $(declare -f in_sandbox cpu_ns memory_kib wait_bound idle_run request_run); in_sandbox \"\$@\"" \
    sandbox "$build" "$@"
}

# --- Outside: runs, medians, rows ---------------------------------------------

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

column_stats() {  # FILE COLUMN: "median min max" of the column's values
  awk -v c="$2" '{ print $c }' "$1" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), v[1], v[NR] }'
}

# One run after the other: start-up is a wall-clock figure.
for ((run = 1; run <= runs; run++)); do
  sandboxed request_run "$requests" >> "$scratch/requests"
done
# Side by side: idling costs too little to disturb the other runs.
pids=()
for ((run = 1; run <= runs; run++)); do
  sandboxed idle_run "$idle_seconds" > "$scratch/idle.$run" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done
# CPU ns per window ns, in ms per hour.
awk '{ print $1 / $3 * 3.6e6, $2 / $3 * 3.6e6 }' "$scratch"/idle.* > "$scratch/idle"

read -r idle idle_min idle_max < <(column_stats "$scratch/idle" 1)
read -r idle_floor idle_floor_min idle_floor_max < <(column_stats "$scratch/idle" 2)
read -r startup startup_min startup_max < <(column_stats "$scratch/requests" 1)
read -r peak peak_min peak_max < <(column_stats "$scratch/requests" 2)
read -r anon _ < <(column_stats "$scratch/requests" 3)
read -r peak_floor peak_floor_min peak_floor_max < <(column_stats "$scratch/requests" 4)
read -r anon_floor _ < <(column_stats "$scratch/requests" 5)

verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g ? "met" : "missed") }'; }
idle_ratio=$(awk -v c="$idle" -v f="$idle_floor" 'BEGIN { printf "%.2f", c / f }')
over=$(awk -v c="$peak" -v f="$peak_floor" 'BEGIN { print c - f }')

cat > "$rows" <<ROWS
| whole process: idle CPU per hour | $(printf %.1f "$idle") ms CPU | $(printf %.1f "$idle_floor") ms CPU | $idle_ratio | ≤ 1.5 $(verdict "$idle_ratio" 1.5) |
| whole process: peak resident memory after $requests requests | $peak KiB | $peak_floor KiB | +$over KiB | ≤ +512 KiB $(verdict "$over" 512) |
| whole process: start-up to the first answer, less the first pass's 1 s wait | $(printf %.2f "$startup") ms wall | - | - | report |
ROWS

cat > "$notes" <<NOTES
## Whole process

The real daemon in private namespaces, $runs runs each, medians
(\`bench/process_figures.sh\`).

- **Idle CPU**: first field of \`/proc/PID/schedstat\` over $idle_seconds s, scaled to an
  hour, beside a loop that only sleeps a second. Spread: daemon
  $(printf %.1f "$idle_min")–$(printf %.1f "$idle_max") ms, floor $(printf %.1f "$idle_floor_min")–$(printf %.1f "$idle_floor_max") ms.
- **Peak resident memory** (VmHWM) after $requests requests of every kind, each
  answered before the next; a preloaded \`usleep\` shortens the daemon's waits a
  thousandfold, so the same binary does the same work in seconds. The floor
  is linked as the daemon is and carries the same preload. Spread: daemon
  $peak_min–$peak_max KiB, floor $peak_floor_min–$peak_floor_max KiB. Private memory (RssAnon) is
  $anon KiB against $anon_floor KiB; the rest is clean library code shared with
  every process, which the kernel maps 64 KiB around each page first touched.
- **Start-up**: from the fork to the answer of a DOR query, less the 1 s the
  first pass sleeps before its first receive. Spread: $(printf %.2f "$startup_min")–$(printf %.2f "$startup_max") ms.
NOTES
