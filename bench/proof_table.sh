#!/usr/bin/env bash
# The published table of the benchmark set: per instance of bench/instances/, zemko's best
# objective with TimeLimit = SECONDS (Threads = 2, ProofSummary = 1), its certified lower bound,
# whether it is proven optimal, the seconds the run took, and what zemko-check-proof says of the
# run's proof summary (checked, or not settled within its default nodes).
#
#   bench/proof_table.sh [BUILD_DIR] [SECONDS] > bench/results/proofs.md
#
# INSTANCES (default bench/instances/*.txt) chooses the data files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
for tool in zemko zemko-check-proof; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'TimeLimit = %s\nThreads = 2\nProofSummary = 1\n' "$seconds" > "$work/ZEMKO.INI"

echo "| instance | jobs | best objective | certified lower bound | gap % | proven optimal | seconds | proof summary |"
echo "|---|---|---|---|---|---|---|---|"
for data in $(ls ${INSTANCES:-"$here"/instances/*.txt} | sort -V); do
  data=$(cd "$(dirname "$data")" && pwd)/$(basename "$data")
  name=$(basename "$data" .txt)
  transcript=$(cd "$work" && "$build/zemko" "$data")
  objective=$(cut -d' ' -f1 "$work/ub.rep")
  certificate=$(grep '^Certificate:' <<<"$transcript")
  bound=$(sed -E 's/.*lower bound ([0-9-]+).*/\1/' <<<"$certificate")
  gap=$(sed -E 's/.*gap ([0-9.]+) %.*/\1/' <<<"$certificate")
  proven=no
  grep -q ', optimal' <<<"$certificate" && proven=yes
  took=$(grep '^ZEMKO CPU Time' <<<"$transcript" | sed -E 's/.*: ([0-9.]+)/\1/')
  check=$("$build/zemko-check-proof" --data "$data" "$work/proof.txt" 2>&1 | sed -E 's/^[^:]*: ([^:]*):.*/\1/' || true)
  jobs=$(grep -c . "$data")
  printf '| %s | %s | %s | %s | %s | %s | %.1f | %s |\n' "$name" "$jobs" "$objective" "$bound" \
    "$gap" "$proven" "$took" "$check"
done
