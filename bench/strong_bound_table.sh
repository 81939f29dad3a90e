#!/usr/bin/env bash
# The strong lower bound beside the solver's root bound: per instance the bound, its CPU seconds
# (the bound's own thread), and the gaps 100 * (UB - LB) / LB of the upper bound over it and
# over the solver's root LB, then the means per size. The bound is offered the solver's best
# sequence (ub.rep), as it will be in the solver.
#
#   bench/strong_bound_table.sh [BUILD_DIR] [BEST_KNOWN] [GENERATED_SIZES]
#
# BUILD_DIR (default build) holds zemko, zemko-gen and bench/zemko-bound-bench (configure with
# -DZEMKO_DRIVERS=ON). Rows: the files of INSTANCES (default bench/instances/*.txt), UB from
# BEST_KNOWN (default bench/best-known.txt, lines "NAME VALUE") where it lists the instance; then ten
# instances per size of GENERATED_SIZES (default "20 50 100 200 500") from zemko-gen with seed
# 7000 + size, UB the best objective at hand: the smaller of the solver's final objective and
# the best sequence the bound saw. Column src tells which UB a row uses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
best_known=${2:-$here/best-known.txt}
sizes=${3-20 50 100 200 500}
for tool in zemko zemko-gen bench/zemko-bound-bench; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool (configure with -DZEMKO_DRIVERS=ON)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/known" "$work/generated"

# Runs the solver on each file: "NAME ROOT_LB FINAL_OBJECTIVE" lines, the sequences to known/.
solve_all() {
  for data in "$@"; do
    local name dir
    name=$(basename "$data" .txt)
    dir="$work/run/$name"
    mkdir -p "$dir"
    (cd "$dir" && "$build/zemko" "$data" > console.txt)
    cp "$dir/ub.rep" "$work/known/$name.rep"
    echo "$name $(sed -n 's/.*LB = \([-0-9]*\),.*/\1/p' "$dir/console.txt") \
$(sed -n 's/^FO *= *\([-0-9]*\).*/\1/p' "$dir/console.txt")"
  done
}

# Joins the solver's lines ($1), the bound's table ($2) and the best known values ($3).
report() {
  awk -v title="$4" '
    FILENAME == ARGV[1] { root[$1] = $2; final[$1] = $3; next }
    FILENAME == ARGV[2] { if (FNR > 1) { n[$1] = $2; lb[$1] = $3; seen[$1] = $5; cpu[$1] = $7;
                                         order[++rows] = $1 } next }
    !/^#/ { best[$1] = $2 }
    END {
      printf "\n%s\n%-22s %4s %10s %7s %10s %5s %8s %10s %8s\n", title, "instance", "jobs",
             "bound", "cpu_s", "UB", "src", "gap_%", "root_LB", "root_%"
      for (r = 1; r <= rows; ++r) {
        name = order[r]
        if (name in best) { ub = best[name]; src = "best" }
        else { ub = final[name]; src = "final"; if (seen[name] < ub) { ub = seen[name]; src = "bound" } }
        gap = 100 * (ub - lb[name]) / lb[name]; rgap = 100 * (ub - root[name]) / root[name]
        printf "%-22s %4d %10d %7.3f %10d %5s %8.3f %10d %8.3f\n", name, n[name], lb[name],
               cpu[name], ub, src, gap, root[name], rgap
        size = n[name]; count[size]++; sum_gap[size] += gap; sum_root[size] += rgap
        sum_cpu[size] += cpu[name]; cpus[size, count[size]] = cpu[name]
      }
      printf "%-6s %5s %10s %10s %12s %12s\n", "jobs", "count", "mean_gap_%", "root_gap_%",
             "mean_cpu_s", "median_cpu_s"
      for (size in count) {
        m = count[size]
        for (i = 1; i <= m; ++i) for (k = i + 1; k <= m; ++k)
          if (cpus[size, k] < cpus[size, i]) { t = cpus[size, i]; cpus[size, i] = cpus[size, k]; cpus[size, k] = t }
        median = (m % 2) ? cpus[size, (m + 1) / 2] : (cpus[size, m / 2] + cpus[size, m / 2 + 1]) / 2
        printf "%-6d %5d %10.3f %10.3f %12.3f %12.3f\n", size, m, sum_gap[size] / m,
               sum_root[size] / m, sum_cpu[size] / m, median
      }
    }' "$1" "$2" "$3"
}

# shellcheck disable=SC2206
bench_files=(${INSTANCES:-"$here"/instances/*.txt})
for i in "${!bench_files[@]}"; do bench_files[$i]=$(readlink -f "${bench_files[$i]}"); done
solve_all "${bench_files[@]}" > "$work/bench_solver.txt"
"$build/bench/zemko-bound-bench" --known "$work/known" "${bench_files[@]}" > "$work/bench_bound.txt"
report "$work/bench_solver.txt" "$work/bench_bound.txt" "$best_known" "bench/instances/ (UB: $best_known)"

if [ -n "$sizes" ]; then
  generated=()
  for n in $sizes; do
    "$build/zemko-gen" -n "$n" -s $((7000 + n)) --count 10 -o "$work/generated" > /dev/null
    for k in $(seq 10); do generated+=("$work/generated/n${n}_s$((7000 + n))_$k.txt"); done
  done
  solve_all "${generated[@]}" > "$work/gen_solver.txt"
  "$build/bench/zemko-bound-bench" --known "$work/known" "${generated[@]}" > "$work/gen_bound.txt"
  report "$work/gen_solver.txt" "$work/gen_bound.txt" /dev/null \
    "generated, zemko-gen -n N -s 7000+N --count 10 (UB: the solver's final objective or the bound's best sequence)"
fi
