#!/usr/bin/env bash
# What the Measurements window and the Large View cost a run: the window bench (offscreen, full
# speed) with both windows closed and with both open, interleaved round by round so that the
# machine's load falls on both alike, keeping the best of the rounds of each. Rates are trials
# per CPU second of the program, so other programs on a shared machine do not count. One line per
# case; its last field is open / closed (the aim: 0.9 or more).
#
#   bench/window_overhead.sh                 # square 60, square 1000, cubic 60, cubic 100
#   bench/window_overhead.sh square 1000     # one case
#
# BENCH (default build/bench/spinlab_window_bench) names the bench, ROUNDS (default 3) the
# rounds, SECONDS_PER_RUN (default 3) the length of each run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bench=${BENCH:-$here/build/bench/spinlab_window_bench}
rounds=${ROUNDS:-3}
seconds=${SECONDS_PER_RUN:-3}
[ -x "$bench" ] || { echo "window_overhead.sh: no $bench (build first)" >&2; exit 1; }

cases=("square 60" "square 1000" "cubic 60" "cubic 100")
if [ $# -gt 0 ]; then cases=("$1 ${2:-60}"); fi

rate() {  # kind size windows -> trials per CPU second
  QT_QPA_PLATFORM=offscreen "$bench" "$1" "$seconds" "$2" full 2.2619 "$3" 2>/dev/null |
    sed -n -E 's/^trials per CPU second: +([0-9.e+]+)$/\1/p'
}
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a ? b : a) }'; }

declare -A closed open
for ((round = 1; round <= rounds; ++round)); do
  for c in "${cases[@]}"; do
    read -r kind size <<<"$c"
    closed[$c]=$(best "${closed[$c]:-0}" "$(rate "$kind" "$size" none)")
    open[$c]=$(best "${open[$c]:-0}" "$(rate "$kind" "$size" both)")
  done
done

printf '%-8s %6s  %14s %14s  %s\n' loop size "closed (M/s)" "both open" ratio
for c in "${cases[@]}"; do
  read -r kind size <<<"$c"
  awk -v k="$kind" -v s="$size" -v c="${closed[$c]}" -v o="${open[$c]}" 'BEGIN {
    printf "%-8s %6s  %14.2f %14.2f  %.3f\n", k, s, c / 1e6, o / 1e6, (c > 0 ? o / c : 0)
  }'
done
