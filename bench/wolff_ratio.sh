#!/usr/bin/env bash
# The cluster update against the reference Wolff kernel, side by side in one run: each row runs
# spinlab-batch --dynamics wolff and `run wolff` in turn, three rounds over all rows, and keeps
# the best of three of each, in million sites flipped per second. The last field of a row is
# the ratio. The reference knows only periodic edges: the open rows are set against it at the
# same size.
#
#   bench/wolff_ratio.sh                            # every row
#   bench/wolff_ratio.sh square 64 nearest periodic 2.269185   # one row: kind, side, coupling, edges, T
#
# BATCH (default build/spinlab-batch) and LIMIT (default ../shared/limit/run beside the project)
# name the two programs; ROUNDS (default 3) the rounds; MOVES (default 10000) the moves of a run.
# WINDOW=1 adds the real window (build/bench/spinlab_window_bench, offscreen, 3 s a run) against
# the headless run, in sites flipped per second, for the periodic rows.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
batch=${BATCH:-$here/build/spinlab-batch}
limit=${LIMIT:-$here/../shared/limit/run}
[ -x "$limit" ] || limit=/work/shared/limit/run
rounds=${ROUNDS:-3}
moves=${MOVES:-10000}
[ -x "$batch" ] || { echo "wolff_ratio.sh: no $batch (make build first)" >&2; exit 1; }

# kind side coupling edges temperature; the side counts sites (spinlab's --size is one less).
rows=(
  "square 64 nearest periodic 2.269185" "square 101 nearest periodic 2.269185"
  "square 61 block periodic 5.2578" "cubic 24 nearest periodic 4.5115"
  "square 64 nearest open 2.269185" "cubic 24 nearest open 4.5115"
)
if [ $# -gt 0 ]; then rows=("$1 $2 ${3:-nearest} ${4:-periodic} ${5:-2.269185}"); fi

ours() {  # kind side coupling edges temp -> million sites flipped per second
  "$batch" "$1" --size $(($2 - 1)) --coupling "$3" --edges "$4" --temp "$5" --dynamics wolff \
      --trials "$moves" --seed 1 --json |
    grep -oE '"(seconds|sites_flipped)": [0-9.e+-]+' |
    awk -F': ' '/seconds/ { t = $2 } /sites_flipped/ { f = $2 } END { printf "%.2f", f / t / 1e6 }'
}
theirs() {  # kind side coupling temp -> the median the kernel prints
  local d=2 c=nn
  [ "$1" = cubic ] && d=3
  [ "$3" = block ] && c=block
  "$limit" wolff "$d" "$2" "$c" "$4" "$moves" | sed -E 's/.*median +([0-9.]+).*/\1/'
}
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a ? b : a) }'; }

declare -A mine ref
for ((round = 1; round <= rounds; ++round)); do
  for row in "${rows[@]}"; do
    read -r kind side coupling edges temp <<<"$row"
    mine[$row]=$(best "${mine[$row]:-0}" "$(ours "$kind" "$side" "$coupling" "$edges" "$temp")")
    ref[$row]=$(best "${ref[$row]:-0}" "$(theirs "$kind" "$side" "$coupling" "$temp")")
  done
done

printf '%-7s %5s %-8s %-9s %9s  %8s %9s  %6s\n' lattice side coupling edges temp spinlab reference ratio
for row in "${rows[@]}"; do
  read -r kind side coupling edges temp <<<"$row"
  awk -v k="$kind" -v s="$side" -v c="$coupling" -v e="$edges" -v t="$temp" -v m="${mine[$row]}" \
      -v r="${ref[$row]}" 'BEGIN {
    printf "%-7s %5s %-8s %-9s %9s  %8.1f %9.1f  %6.2f\n", k, s, c, e, t, m, r, m / r
  }'
done
echo "(M sites flipped per second, best of $rounds interleaved rounds of $moves moves; spinlab --seed 1, the reference's median of five)"

[ "${WINDOW:-0}" = 1 ] || exit 0
window=${WINDOW_BENCH:-$here/build/bench/spinlab_window_bench}
[ -x "$window" ] || { echo "wolff_ratio.sh: no $window" >&2; exit 1; }
declare -A shown headless
windows=()
for row in "${rows[@]}"; do [[ $row == *periodic* ]] && windows+=("$row"); done
for ((round = 1; round <= rounds; ++round)); do
  for row in "${windows[@]}"; do
    read -r kind side coupling edges temp <<<"$row"
    words=(wolff periodic)
    [ "$coupling" = nearest ] && words+=(nearest)
    rate=$(QT_QPA_PLATFORM=offscreen "$window" "$kind" 3 $((side - 1)) full "$temp" "${words[@]}" 2>/dev/null |
      awk '/sites per second/ { printf "%.2f", $4 / 1e6 }')
    shown[$row]=$(best "${shown[$row]:-0}" "$rate")
    headless[$row]=$(best "${headless[$row]:-0}" "$(ours "$kind" "$side" "$coupling" "$edges" "$temp")")
  done
done
printf '\n%-7s %5s %-8s %-9s %9s  %8s %9s  %6s\n' window side coupling edges temp window headless ratio
for row in "${windows[@]}"; do
  read -r kind side coupling edges temp <<<"$row"
  awk -v k="$kind" -v s="$side" -v c="$coupling" -v e="$edges" -v t="$temp" -v w="${shown[$row]}" \
      -v h="${headless[$row]}" 'BEGIN {
    printf "%-7s %5s %-8s %-9s %9s  %8.1f %9.1f  %6.2f\n", k, s, c, e, t, w, h, w / h
  }'
done
echo "(M sites flipped per second, best of $rounds; the window at full speed, offscreen)"
