#!/usr/bin/env bash
# Times the R package r/talver against talver-fit alone, medians of RUNS runs
# (default 7), each in a process of its own:
#   the 3-parameter example from its tables, items, pairs and 1,000 simulated
#   data sets: Rscript reading the tables and running talver_fit() whole,
#   against talver-fit's own command line on the same tables;
#   100,000 subjects x 100 binary items of the 1-parameter model in a data
#   frame (and again with an id column): the R side (talver_fit() less the
#   talver-fit run it makes) against that run, which is timed alone.
#   bench/r_bench.sh [DATA_DIRECTORY]   (default /tmp/talver-r-bench)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
data=${1:-/tmp/talver-r-bench}
runs=${RUNS:-7}
fit="$top/build/bin/talver-fit"
export TALVER_FIT="$fit"
mkdir -p "$data/library"
(cd "$data" && R CMD build --no-build-vignettes "$top/r/talver" >/dev/null 2>&1 &&
    R CMD INSTALL -l "$data/library" talver_*.tar.gz >/dev/null 2>&1)
lscpu | grep -E '^(Model name|CPU family|Model|CPU\(s\)|Hypervisor vendor):' | sed 's/  */ /g' | paste -sd ';'

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N); echo "$end - $start" | bc; }

# Run in a folder of its own, which the reports OUT and OUTG go to.
examples="$top/examples"
example=(--model 3pl --parameters "$examples/3pl-items.csv" --scores "$examples/3pl-scores.csv"
         --id-column student --nodes51 --item-fit --pairs --monte-carlo 1000 --format json)
from_r="library(talver, lib.loc = '$data/library')
fit <- talver_fit(read.csv('$examples/3pl-scores.csv'), read.csv('$examples/3pl-items.csv'), model = '3pl',
                  id_column = 'student', pairs = TRUE, monte_carlo = 1000)"
mkdir -p "$data/example"
cd "$data/example"
program=$(for run in $(seq "$runs"); do seconds "$fit" "${example[@]}"; done | median)
r=$(for run in $(seq "$runs"); do seconds Rscript -e "$from_r"; done | median)
printf '3pl example, items, pairs, 1,000 data sets: talver-fit %.3f s, from R %.3f s (%+.3f s)\n' \
    "$program" "$r" "$(echo "$r - $program" | bc)"

# The scores once, then each run in a fresh R: the frame as a user holds it.
Rscript -e "
set.seed(1)
subjects <- 100000; items <- 100
b <- seq(-2, 2, length.out = items)
theta <- rnorm(subjects)
answers <- matrix(as.integer(runif(subjects * items) < plogis(1.702 * outer(theta, b, '-'))), subjects)
scores <- as.data.frame(answers)
names(scores) <- sprintf('q%03d', seq_len(items))
saveRDS(scores, '$data/scores.rds', compress = FALSE)
saveRDS(data.frame(item = names(scores), a = 1, b = b), '$data/items.rds')"
for ids in no yes; do
    sides=$(for run in $(seq "$runs"); do
        Rscript -e "
library(talver, lib.loc = '$data/library')
scores <- readRDS('$data/scores.rds')
items <- readRDS('$data/items.rds')
id_column <- NULL
if ('$ids' == 'yes') {
    scores <- cbind(student = sprintf('s%06d', seq_len(nrow(scores))), scores)
    id_column <- 'student'
}
folder <- tempfile('run-', tmpdir = '$data')
invisible(gc())
whole <- system.time(fit <- talver_fit(scores, items, model = '1pl', id_column = id_column, dir = folder))[['elapsed']]
alone <- system.time(system(paste('cd', shQuote(folder), '&&', fit\$command, '> /dev/null')))[['elapsed']]
unlink(folder, recursive = TRUE)
cat(whole - alone, alone, '\n')"
    done)
    side=$(cut -d' ' -f1 <<<"$sides" | median)
    alone=$(cut -d' ' -f2 <<<"$sides" | median)
    printf '100,000 x 100 binary from a data frame (ids: %s): talver-fit %.3f s, R side %.3f s (%.2f x)\n' \
        "$ids" "$alone" "$side" "$(echo "$side / $alone" | bc -l)"
done
