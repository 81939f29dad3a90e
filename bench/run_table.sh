#!/usr/bin/env bash
# Whole runs of the solver on generated instances (times uniform in 1..100), one at a time:
# prints jobs, settings, wall seconds, peak MB (from /usr/bin/time -v) and bounds computed.
#
#   bench/run_table.sh [BUILD_DIR] [SOLVER ...]
#
# BUILD_DIR holds zemko-gen (default: build). Each SOLVER (default: BUILD_DIR/zemko) is run on
# every row in turn, so several versions are measured side by side in one run; a solver may be
# given as PATH:THREADS to add "Threads = THREADS" to the settings.
set -euo pipefail
build=${1:-build}
shift || true
solvers=("$@")
[ ${#solvers[@]} -gt 0 ] || solvers=("$build/zemko")
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# jobs, seed, extra settings
rows=("50 5050 -" "100 5100 -" "200 5200 -" "500 5500 -" "100 5100 Beam = 200")

printf '%-28s %5s  %-12s %9s %8s %10s\n' solver jobs settings seconds peakMB bounds
for row in "${rows[@]}"; do
  read -r n seed extra <<<"$row"
  "$build/zemko-gen" -n "$n" -s "$seed" > "$work/u$n.txt"
  for entry in "${solvers[@]}"; do
    solver=${entry%%:*}
    threads=""
    [ "$entry" != "$solver" ] && threads=${entry##*:}
    dir="$work/run"
    rm -rf "$dir" && mkdir -p "$dir"
    : > "$dir/ZEMKO.INI"
    [ "$extra" != "-" ] && echo "$extra" >> "$dir/ZEMKO.INI"
    [ -n "$threads" ] && echo "Threads = $threads" >> "$dir/ZEMKO.INI"
    (cd "$dir" && /usr/bin/time -v "$solver" "$work/u$n.txt" > console.txt 2> time.txt)
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$dir/time.txt" |
           awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
    peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$dir/time.txt")
    bounds=$(awk -F'= ' '/Bounds Calcolati/ {print $2}' "$dir/console.txt")
    label=$(basename "$(dirname "$(readlink -f "$solver")")")/$(basename "$solver")
    [ -n "$threads" ] && label="$label T$threads"
    settings=$([ "$extra" = "-" ] && echo default || echo "${extra// /}")
    printf '%-28s %5s  %-12s %9.2f %8s %10s\n' "$label" "$n" "$settings" "$wall" "$peak" "$bounds"
  done
done
