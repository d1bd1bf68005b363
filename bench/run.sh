#!/usr/bin/env bash
# Generates the large inputs once and runs every benchmark scenario.
#   bench/run.sh [DATA_DIRECTORY]   (default /tmp/talver-bench)
# The item fit's and the pairs' scenarios run talver-fit whole, without and
# with --item-fit and --pairs. bench/vector_paths.sh times them on every
# vector path the processor has.
# With HUGE=1 also 10,000,000 subjects x 100 items (2 GB of scores) through
# talver-fit, timed whole with /usr/bin/time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
data=${1:-/tmp/talver-bench}
cmake --build "$top/build" -j"$(nproc)" --target make_bench_data fit_bench plot_bench talver-fit >/dev/null
mkdir -p "$data"
[ -f "$data/poly-estimates.dat" ] && [ -f "$data/binary-scores.csv" ] || "$top/build/bin/make_bench_data" "$data"
cp "$top/res/nodes51.dat" "$data/"
cd "$data"
for scenario in parse parse-serial binary-nodes binary-estimates-100k binary-estimates graded-estimates \
        credit-estimates; do
    "$top/build/bin/fit_bench" "$scenario"
done
"$top/build/bin/plot_bench"
fit="$top/build/bin/talver-fit"
source "$top/bench/scenarios.sh"
for scenario in binary three graded; do
    declare -n arguments=$scenario
    for extra in "" --item-fit --pairs; do
        /usr/bin/time -f "talver-fit $scenario $extra: %e s, peak %M KB" "$fit" "${arguments[@]}" $extra 2>&1 |
            grep -v '^warning'
    done
done
# The binary scores as a table, beside the same scores as numbers.
/usr/bin/time -f "talver-fit table: %e s, peak %M KB" "$fit" "${table[@]}"
# Answers missing, beside the complete data of the same size.
for scenario in complete booklets sparse; do
    declare -n arguments=$scenario
    for extra in "" "--item-fit --pairs"; do
        /usr/bin/time -f "talver-fit $scenario $extra: %e s, peak %M KB" "$fit" "${arguments[@]}" $extra 2>&1 |
            grep -v '^warning'
    done
done
# The person fit beside the plain runs above.
for scenario in binary three; do
    declare -n arguments=$scenario
    /usr/bin/time -f "talver-fit $scenario --person-fit --persons: %e s, peak %M KB" "$fit" "${arguments[@]}" \
        "${persons[@]}" 2>&1 | grep -v '^warning'
done
/usr/bin/time -f "talver-fit sparse --person-fit --person-monte-carlo 1000: %e s, peak %M KB" "$fit" \
    "${sparse[@]}" "${person_simulation[@]}" 2>&1 | grep -v '^warning'
# Simulated p-values on the shipped 3-parameter example: the test level with
# 100,000 data sets, and items and pairs with 1,000.
example=(--model 3pl --subjects 1000 --items 20 --discrimination 3pl-discrimination.dat
         --difficulty 3pl-difficulty.dat --c-indices 3pl-c.dat --scores 3pl-scores.dat --nodes51 --quiet)
(cd "$top/examples" &&
    /usr/bin/time -f "talver-fit 3pl example --monte-carlo 100000: %e s" "$fit" "${example[@]}" --monte-carlo 100000 &&
    /usr/bin/time -f "talver-fit 3pl example --item-fit --pairs --monte-carlo 1000: %e s" "$fit" "${example[@]}" \
        --item-fit --pairs --monte-carlo 1000 &&
    for report in report.html report.pdf; do
        /usr/bin/time -f "talver-fit 3pl example --item-fit --pairs --monte-carlo 1000 --report $report: %e s" \
            "$fit" "${example[@]}" --item-fit --pairs --monte-carlo 1000 --report "$data/$report"
    done)
# The same for 100 items, without a report and with each kind.
head -n 1000 binary-scores.dat >report-scores.dat
for extra in "" "--report report.html" "--report report.pdf"; do
    /usr/bin/time -f "talver-fit report $extra: %e s, peak %M KB" "$fit" "${report[@]}" $extra 2>&1 |
        grep -v '^warning'
done
echo "report.html: $(stat -c %s report.html) bytes"
if [ "${HUGE:-0}" = 1 ]; then
    [ -f "$data/huge-scores.dat" ] || "$top/build/bin/make_bench_data" --huge "$data"
    cat "$data/huge-scores.dat" >/dev/null  # from the page cache, as the other scenarios
    /usr/bin/time -f "huge 1PL 10M x 100, 51 nodes: %e s, peak %M KB" "$top/build/bin/talver-fit" --model 1pl \
        --subjects 10000000 --items 100 --discrimination-constant 1 --difficulty binary-b.dat \
        --scores huge-scores.dat --nodes51 --quiet
fi
