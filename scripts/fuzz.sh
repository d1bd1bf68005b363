#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a fixed time (default 20 s);
# a crash or a failed check fails the script.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
cmake -S "$top" -B "$top/build-fuzz" -DTALVER_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build-fuzz" -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One harness a processor at a time: each still has a processor to itself
# for its whole time, and the script takes a fraction of the sum.
run() {
    local harness=$1
    mkdir -p "$work/$harness"
    # New inputs go to the scratch corpus; the seeds in the tree stay as they are.
    if (cd "$work" && "$top/build-fuzz/tests/fuzz/fuzz_$harness" -max_total_time="$seconds" -print_final_stats=1 \
            "$work/$harness" "$top/tests/fuzz/corpus/$harness" 2>"$work/$harness.log"); then
        echo "fuzz_$harness: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$harness.log" |
            grep -o '[0-9]*$') runs, no failure"
    else
        tail -40 "$work/$harness.log"
        echo "fuzz_$harness: failed" >&2
        return 1
    fi
}
export -f run
export top work seconds
printf '%s\n' input_reader graph_report batch_options engine_run score_counter tables |
    xargs -P "$(nproc)" -I{} bash -c 'run {}'
