#!/usr/bin/env bash
# Generated instances (times uniform in 1..100) proven by the exact search: for each seed,
# zemko-gen makes COUNT instances of N jobs, zemko (the beam search) solves each in a scratch
# folder, and zemko-exact-bench starts from its ub.rep improved by insertion moves.
#
#   bench/exact/run_proofs.sh BUILD_DIR N SECONDS SEED... [-- BENCH OPTIONS]
#
# BUILD_DIR holds zemko, zemko-gen and zemko-exact-bench (configure with
# -DZEMKO_DRIVERS=ON). COUNT is 10 unless set in the environment.
set -euo pipefail
build=$(cd "$1" && pwd)
jobs=$2
seconds=$3
shift 3
seeds=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do seeds+=("$1"); shift; done
[ $# -gt 0 ] && shift
count=${COUNT:-10}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ ${#seeds[@]} -gt 0 ] || { echo "usage: run_proofs.sh BUILD_DIR N SECONDS SEED... [-- OPTIONS]" >&2; exit 2; }
for tool in zemko zemko-gen zemko-exact-bench; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool (configure with -DZEMKO_DRIVERS=ON)" >&2; exit 1; }
done
for seed in "${seeds[@]}"; do
  "$build/zemko-gen" -n "$jobs" -s "$seed" --count "$count" -o "$work/data" > /dev/null
done
args=()
for data in $(ls "$work/data"/*.txt | sort -V); do
  name=$(basename "$data" .txt)
  mkdir -p "$work/run/$name"
  (cd "$work/run/$name" && "$build/zemko" "$data" > /dev/null)
  cp "$work/run/$name/ub.rep" "$work/run/$name.rep"
  args+=("$data" "$work/run/$name.rep")
done
"$build/zemko-exact-bench" --seconds "$seconds" "$@" "${args[@]}"
