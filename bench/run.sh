#!/usr/bin/env bash
# Generates the large inputs once and runs every benchmark scenario.
#   bench/run.sh [DATA_DIRECTORY]   (default /tmp/talver-bench)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
data=${1:-/tmp/talver-bench}
cmake --build "$top/build" -j"$(nproc)" --target make_bench_data fit_bench plot_bench >/dev/null
mkdir -p "$data"
[ -f "$data/poly-estimates.dat" ] || "$top/build/bin/make_bench_data" "$data"
cp "$top/res/nodes51.dat" "$data/"
cd "$data"
for scenario in parse parse-serial binary-nodes binary-estimates-100k binary-estimates graded-estimates \
        credit-estimates; do
    "$top/build/bin/fit_bench" "$scenario"
done
"$top/build/bin/plot_bench"
