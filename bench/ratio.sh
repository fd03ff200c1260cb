#!/usr/bin/env bash
# The loops against the reference kernels, side by side in one run: each row runs spinlab-batch
# and the reference in turn, three rounds over all rows, and keeps the best of three of each.
# Absolute figures drift on a shared machine; the ratios measured this way hold.
#
#   bench/ratio.sh                 # every row
#   bench/ratio.sh square 60 5.3   # one row: kind, size, temperature
#
# BATCH (default build/spinlab-batch) and LIMIT (default ../shared/limit/run beside the project)
# name the two programs; ROUNDS (default 3) the rounds. WINDOW=1 adds the real window
# (build/bench/spinlab_window_bench, offscreen, 3 s a run) against the headless loop, with its
# repaints per second and the delay from a click on Stop to the loop's end.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
batch=${BATCH:-$here/build/spinlab-batch}
limit=${LIMIT:-$here/../shared/limit/run}
[ -x "$limit" ] || limit=/work/shared/limit/run
rounds=${ROUNDS:-3}
[ -x "$batch" ] || { echo "ratio.sh: no $batch (make build first)" >&2; exit 1; }

# kind size temperature target: 0.9 at the default temperature, 0.7 where a third or more of the
# trials flip (painting every accepted move).
rows=(
  "square 60 2.2619 0.9" "square 1000 2.2619 0.9" "cubic 60 2.2619 0.9" "cubic 100 2.2619 0.9"
  "chain 10000 2.2619 0.9"
  "square 60 5.3 0.7" "square 1000 5.3 0.7" "cubic 60 23.2 0.7" "chain 10000 10 0.7"
)
if [ $# -gt 0 ]; then rows=("$1 $2 ${3:-2.2619} ${4:-0.9}"); fi

ours() {  # kind size temp trials -> million trials per second
  local size_flag=--size
  [ "$1" = chain ] && size_flag=--units
  "$batch" "$1" "$size_flag" "$2" --temp "$3" --trials "$4" --seed 1 --json |
    sed -E 's/.*"trials_per_second": ([0-9.e+]+).*/\1/' | awk '{ printf "%.2f", $1 / 1e6 }'
}
theirs() {  # kind size temp trials -> the median the kernel prints
  "$limit" "$1" "$2" "$3" "$4" | sed -E 's/.*median +([0-9.]+).*/\1/'
}
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a ? b : a) }'; }

declare -A mine ref
for ((round = 1; round <= rounds; ++round)); do
  for row in "${rows[@]}"; do
    read -r kind size temp _ <<<"$row"
    trials=30000000
    [ "$kind" = cubic ] && trials=20000000
    key="$kind $size $temp"
    mine[$key]=$(best "${mine[$key]:-0}" "$(ours "$kind" "$size" "$temp" "$trials")")
    ref[$key]=$(best "${ref[$key]:-0}" "$(theirs "$kind" "$size" "$temp" "$trials")")
  done
done

printf '%-8s %6s %7s  %10s %10s  %6s  %s\n' loop size temp spinlab reference ratio target
for row in "${rows[@]}"; do
  read -r kind size temp target <<<"$row"
  key="$kind $size $temp"
  awk -v k="$kind" -v s="$size" -v t="$temp" -v m="${mine[$key]}" -v r="${ref[$key]}" \
      -v g="$target" 'BEGIN {
    q = m / r
    printf "%-8s %6s %7s  %10.1f %10.1f  %6.2f  >= %s%s\n", k, s, t, m, r, q, g, (q >= g ? "" : "  (below)")
  }'
done
echo "(M trials per second, best of $rounds interleaved rounds; spinlab --seed 1, the reference's median of five)"

[ "${WINDOW:-0}" = 1 ] || exit 0
window=${WINDOW_BENCH:-$here/build/bench/spinlab_window_bench}
[ -x "$window" ] || { echo "ratio.sh: no $window" >&2; exit 1; }
windows=("square 60 2.2619" "square 60 5.3" "cubic 60 2.2619" "chain 10000 2.2619" "chain 10000 10")
declare -A shown headless repaints stops
for ((round = 1; round <= rounds; ++round)); do
  for row in "${windows[@]}"; do
    read -r kind size temp <<<"$row"
    out=$(QT_QPA_PLATFORM=offscreen "$window" "$kind" 3 "$size" full "$temp" 2>/dev/null)
    rate=$(awk '/trials per second/ { printf "%.2f", $4 / 1e6 }' <<<"$out")
    if awk -v a="$rate" -v b="${shown[$row]:-0}" 'BEGIN { exit !(a > b) }'; then
      shown[$row]=$rate
      repaints[$row]=$(awk '/repaints per second/ { print $4 }' <<<"$out")
      stops[$row]=$(awk '/stop delay/ { print $3 }' <<<"$out")
    fi
    trials=300000000
    [ "$kind" = cubic ] && trials=100000000
    headless[$row]=$(best "${headless[$row]:-0}" "$(ours "$kind" "$size" "$temp" "$trials")")
  done
done
printf '\n%-8s %6s %7s  %10s %10s  %6s  %9s  %8s\n' window size temp window headless ratio repaints stop_ms
for row in "${windows[@]}"; do
  read -r kind size temp <<<"$row"
  awk -v k="$kind" -v s="$size" -v t="$temp" -v w="${shown[$row]}" -v h="${headless[$row]}" \
      -v p="${repaints[$row]}" -v d="${stops[$row]}" 'BEGIN {
    q = w / h
    printf "%-8s %6s %7s  %10.1f %10.1f  %6.2f  %9s  %8s%s\n", k, s, t, w, h, q, p, d, (q >= 0.9 && p >= 30 && d <= 50 ? "" : "  (below)")
  }'
done
echo "(M trials per second, best of $rounds; the window's repaints per second and Stop delay from its best run; targets 0.9, 30/s, 50 ms)"
