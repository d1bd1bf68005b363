#!/usr/bin/env bash
# Every whole-process scenario on every vector path this processor has
# (TALVER_VECTORS), the median of RUNS runs each, the paths taking turns,
# with the median of the runs' AVX-512 / AVX2 ratios where both paths run;
# the scenarios where the wider path is more than 5% slower are named at
# the end. Then each kernel alone.
#   bench/vector_paths.sh [DATA_DIRECTORY]   (default /tmp/talver-bench)
# RUNS=N sets the runs (default 5). The inputs are those of bench/run.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
data=${1:-/tmp/talver-bench}
runs=${RUNS:-5}
cmake --build "$top/build" -j"$(nproc)" --target make_bench_data fit_bench talver-fit >/dev/null
mkdir -p "$data"
[ -f "$data/poly-estimates.dat" ] && [ -f "$data/binary-scores.csv" ] || "$top/build/bin/make_bench_data" "$data"
cp "$top/res/nodes51.dat" "$data/"
fit="$top/build/bin/talver-fit"

paths=()
for path in baseline avx2 avx512; do
    TALVER_VECTORS=$path "$fit" --version >/dev/null 2>&1 && paths+=("$path")
done
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "paths: ${paths[*]}; median of $runs runs, wall seconds (peak MB)"

source "$top/bench/scenarios.sh"
example=(--model 3pl --subjects 1000 --items 20 --discrimination "$top/examples/3pl-discrimination.dat"
         --difficulty "$top/examples/3pl-difficulty.dat" --c-indices "$top/examples/3pl-c.dat"
         --scores "$top/examples/3pl-scores.dat" --nodes51 --quiet)

# One run of the command on a path, in this folder: its wall time to the
# microsecond, as the shortest runs need, and its peak in kB.
once() {
    local path=$1 start end
    shift
    start=$EPOCHREALTIME
    TALVER_VECTORS=$path /usr/bin/time -f "%M" -o "$timing" "$@" >/dev/null 2>&1
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN {printf "%.6f", b - a}'
    echo " $(tail -1 "$timing")"
}

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

timing=$(mktemp)
trap 'rm -f "$timing"' EXIT
cd "$data"
both=0
[[ " ${paths[*]} " == *" avx2 "* && " ${paths[*]} " == *" avx512 "* ]] && both=1
printf '%-42s' "scenario"
printf '%18s' "${paths[@]}"
[ "$both" = 1 ] && printf '%16s' "avx512/avx2"
echo
slower=()
# The paths take turns, run by run, so that a drift in the machine's speed
# falls on all of them alike; the ratio is the median of each run's.
row() {
    local name=$1
    shift
    declare -A times=() peaks=() last=()
    local ratios=() run path time peak
    for run in $(seq "$runs"); do
        for path in "${paths[@]}"; do
            read -r time peak < <(once "$path" "$fit" "$@")
            times[$path]+="$time "
            last[$path]=$time
            peaks[$path]=$(( peak > ${peaks[$path]:-0} ? peak : ${peaks[$path]:-0} ))
        done
        if [ "$both" = 1 ]; then
            ratios+=("$(awk -v a="${last[avx512]}" -v b="${last[avx2]}" 'BEGIN {printf "%.4f", a / b}')")
        fi
    done
    printf '%-42s' "$name"
    for path in "${paths[@]}"; do
        printf '%4s%8.3f (%4.0f)' "" "$(tr ' ' '\n' <<<"${times[$path]}" | grep . | median)" \
            "$(( peaks[$path] / 1024 ))"
    done
    if [ "$both" = 1 ]; then
        local ratio
        ratio=$(printf '%s\n' "${ratios[@]}" | median)
        ratio=$(printf '%.2f' "$ratio")
        printf '%16s' "$ratio"
        awk -v r="$ratio" 'BEGIN {exit !(r > 1.05)}' && slower+=("$name ($ratio)")
    fi
    echo
}
for scenario in binary table three graded credit; do
    declare -n arguments=$scenario
    row "$scenario" "${arguments[@]}"
    [ "$scenario" = credit ] || [ "$scenario" = table ] && continue
    row "$scenario --item-fit" "${arguments[@]}" --item-fit
    row "$scenario --pairs" "${arguments[@]}" --pairs
done
for scenario in complete booklets sparse; do
    declare -n arguments=$scenario
    row "$scenario" "${arguments[@]}"
    row "$scenario --item-fit --pairs" "${arguments[@]}" --item-fit --pairs
done
row "binary --person-fit --persons" "${binary[@]}" "${persons[@]}"
row "three --person-fit --persons" "${three[@]}" "${persons[@]}"
row "sparse --person-monte-carlo 1000" "${sparse[@]}" "${person_simulation[@]}"
row "3pl example --monte-carlo 100000" "${example[@]}" --monte-carlo 100000
row "3pl example --item-fit --pairs, 1000" "${example[@]}" --item-fit --pairs --monte-carlo 1000

if [ "$both" = 1 ]; then
    if [ "${#slower[@]}" -gt 0 ]; then
        echo "the AVX-512 path is more than 5% slower than AVX2 on: ${slower[*]}"
    else
        echo "the AVX-512 path is nowhere more than 5% slower than AVX2"
    fi
fi
echo
"$top/build/bin/fit_bench" kernels
