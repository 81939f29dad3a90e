#!/usr/bin/env bash
# The quality of the improvement phase: runs build/zemko_quality on every instance from the
# solver's own ub.rep and prints each run and the mean gap to the best-known objectives per
# size (gap % = 100 * (objective - best) / best).
#
#   bench/quality/quality.sh [-b BUILD] [-t SECONDS | -s STEPS] [-j THREADS] [-c CORES] [-r "SEED ..."]
#                    [-k BEST_FILE] [-w WORK] [-o RESULTS] [-x "EXTRA OPTIONS"] [INSTANCE ...]
#
# -t: a TimeLimit of the whole run in wall seconds, which the phase gets as a CPU budget of
#     THREADS * (SECONDS - beam seconds), with the beam's wall time of the solver per size
#     (BEAM_SECONDS, "n:seconds ...", default 20:0.01 50:0.02 100:0.06 200:0.2 500:1.3): so
#     that runs on a machine shared with other work measure what a machine of its own would
#     give. -s: a step budget instead (reproducible). Default: -t 1.
# -j: threads (default 2); -c: the cores of the machine measured for, which the CPU budget
#     counts (default: THREADS; -j 1 -c 2 measures the 2-thread budget on one thread, so that
#     two measurements can share two cores); -r: seeds (default 1), one run each; -k: lines
#     "NAME VALUE"
#     (default bench/best-known.txt; instances without a value get no gap); -w: where the start
#     ub.rep of each instance is kept (made once with BUILD/zemko; default: a new temporary
#     folder, removed at the end); -o: a file to which "NAME OBJECTIVE" is appended per run
#     (to make a best-known file of generated instances); -x: options passed to zemko_quality.
# Instances: default bench/instances/*.txt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=build seconds=1 steps="" threads=2 seeds=1 best=$here/../best-known.txt
work="" extra="" cores="" record=""
while getopts "b:t:s:j:c:r:k:w:o:x:" option; do
    case $option in
        b) build=$OPTARG ;;
        t) seconds=$OPTARG ;;
        s) steps=$OPTARG ;;
        j) threads=$OPTARG ;;
        c) cores=$OPTARG ;;
        o) record=$OPTARG ;;
        r) seeds=$OPTARG ;;
        k) best=$OPTARG ;;
        w) work=$OPTARG ;;
        x) extra=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
cores=${cores:-$threads}
instances=("$@")
[ ${#instances[@]} -gt 0 ] || instances=("$here"/../instances/*.txt)
beam_seconds=${BEAM_SECONDS:-"20:0.01 50:0.02 100:0.06 200:0.2 500:1.3"}
solver=$(readlink -f "$build/zemko")
quality=$(readlink -f "$build/zemko_quality")
[ -x "$quality" ] || { echo "missing $build/zemko_quality (configure with -DZEMKO_DRIVERS=ON)" >&2; exit 1; }

beam_for() {  # the beam's seconds for n jobs: the entry of the largest size <= n
    local n=$1 found=0 entry
    for entry in $beam_seconds; do
        [ "${entry%%:*}" -le "$n" ] && found=${entry##*:}
    done
    echo "$found"
}

printf '%-24s %5s %6s %12s %12s %9s %9s %8s\n' instance n seed objective best gap% steps cpu
results=$(mktemp)
own_work=""
if [ -z "$work" ]; then work=$(mktemp -d); own_work=$work; fi
trap 'rm -f "$results"; [ -z "$own_work" ] || rm -rf "$own_work"' EXIT
for instance in "${instances[@]}"; do
    data=$(readlink -f "$instance")
    name=$(basename "$instance" .txt)
    start="$work/$name"
    if [ ! -s "$start/ub.rep" ]; then
        mkdir -p "$start"
        (cd "$start" && "$solver" "$data" > console.txt)
    fi
    n=$(grep -c . "$data")
    known=$(awk -v name="$name" '$1 == name {print $2}' "$best" 2>/dev/null || true)
    for seed in $seeds; do
        if [ -n "$steps" ]; then
            budget=(--steps "$steps")
        else
            budget=(--cpu "$(echo "$cores * ($seconds - $(beam_for "$n"))" | bc -l)")
        fi
        # shellcheck disable=SC2086
        output=$("$quality" "$data" "$start/ub.rep" "${budget[@]}" --seed "$seed" \
                 --threads "$threads" $extra)
        objective=$(awk '$1 == "objective" {print $2}' <<<"$output")
        done_steps=$(awk '$1 == "steps" {print $2}' <<<"$output")
        cpu=$(awk '$1 == "cpu" {print $2}' <<<"$output")
        gap=""
        [ -n "$known" ] && gap=$(echo "100 * ($objective - $known) / $known" | bc -l)
        printf '%-24s %5s %6s %12s %12s %9.4f %9s %8s\n' "$name" "$n" "$seed" "$objective" \
            "${known:--}" "${gap:-0}" "$done_steps" "$cpu"
        [ -n "$gap" ] && echo "$n $gap" >> "$results"
        [ -n "$record" ] && echo "$name $objective" >> "$record"
    done
done
echo
echo "mean gap to the best known, per size:"
sort -n "$results" | awk '{sum[$1] += $2; count[$1]++} END {for (n in sum) printf "%5d %9.4f %% (%d runs)\n", n, sum[n] / count[n], count[n]}' | sort -n
