#!/usr/bin/env bash
# Whole runs of the solver on generated instances (times uniform in 1..100): prints jobs,
# settings, wall seconds (the median of ROUNDS runs, default 3), peak MB (the largest, from
# /usr/bin/time -v) and bounds computed.
#
#   [ROUNDS=N] bench/run_table.sh [BUILD_DIR] [SOLVER ...]
#
# BUILD_DIR holds zemko-gen (default: build). Each SOLVER (default: BUILD_DIR/zemko) is run on
# every row, the solvers taking turns round after round, so that several versions are measured
# side by side under the same conditions; a solver given as PATH:THREADS runs with
# "Threads = THREADS" in its settings file. ROWS (rows separated by ";", each "JOBS SEED
# SETTINGS-LINE", "-" for none) replaces the table's rows.
set -euo pipefail
build=${1:-build}
shift || true
solvers=("$@")
[ ${#solvers[@]} -gt 0 ] || solvers=("$build/zemko")
rounds=${ROUNDS:-3}
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# jobs, seed, extra settings line
rows=("50 5050 -" "100 5100 -" "200 5200 -" "500 5500 -" "100 5100 Beam = 200")
if [ -n "${ROWS:-}" ]; then IFS=';' read -r -a rows <<<"$ROWS"; fi

# Runs solver entry $1 on data file $2 with extra settings $3; prints "seconds peakMB bounds".
run_once() {
  local entry=$1 data=$2 extra=$3 solver threads="" dir="$work/run"
  solver=$(readlink -f "${entry%%:*}")
  [ "$entry" != "${entry%%:*}" ] && threads=${entry##*:}
  rm -rf "$dir" && mkdir -p "$dir"
  : > "$dir/ZEMKO.INI"
  [ "$extra" != "-" ] && echo "$extra" >> "$dir/ZEMKO.INI"
  [ -n "$threads" ] && echo "Threads = $threads" >> "$dir/ZEMKO.INI"
  (cd "$dir" && /usr/bin/time -v "$solver" "$data" > console.txt 2> time.txt)
  local wall peak bounds
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$dir/time.txt" |
         awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
  peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$dir/time.txt")
  bounds=$(awk -F'= ' '/Bounds Calcolati/ {print $2}' "$dir/console.txt")
  echo "$wall $peak $bounds"
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

printf '%-28s %5s  %-12s %9s %8s %10s\n' solver jobs settings seconds peakMB bounds
for row in "${rows[@]}"; do
  read -r n seed extra <<<"$row"
  "$build/zemko-gen" -n "$n" -s "$seed" > "$work/u$n.txt"
  declare -A walls=() peaks=() counts=()
  for _ in $(seq "$rounds"); do
    for entry in "${solvers[@]}"; do
      read -r wall peak bounds < <(run_once "$entry" "$work/u$n.txt" "$extra")
      walls[$entry]+="$wall "
      peaks[$entry]+="$peak "
      counts[$entry]=$bounds
    done
  done
  for entry in "${solvers[@]}"; do
    solver=${entry%%:*}
    label=$(basename "$(dirname "$(readlink -f "$solver")")")/$(basename "$solver")
    [ "$entry" != "$solver" ] && label="$label T${entry##*:}"
    settings=$([ "$extra" = "-" ] && echo default || echo "${extra// /}")
    printf '%-28s %5s  %-12s %9.2f %8s %10s\n' "$label" "$n" "$settings" \
      "$(echo "${walls[$entry]}" | median)" "$(echo "${peaks[$entry]}" | tr ' ' '\n' | sort -g | tail -1)" \
      "${counts[$entry]}"
  done
  unset walls peaks counts
done
