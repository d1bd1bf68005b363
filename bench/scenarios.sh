# The large whole-process scenarios, as talver-fit's arguments, on the
# inputs of make_bench_data; sourced by the benchmark scripts.
binary=(--model 1pl --subjects 1000000 --items 100 --discrimination-constant 1 --difficulty binary-b.dat
        --scores binary-scores.dat --nodes51 --quiet)
# The same scores as a table, whose header gives the counts.
table=(--model 1pl --discrimination-constant 1 --difficulty binary-b.dat --scores binary-scores.csv --nodes51 --quiet)
three=(--model 3pl --subjects 100000 --items 100 --discrimination binary-a.dat --difficulty binary-b.dat
       --c-indices binary-c.dat --scores binary-scores.dat --estimates binary-estimates.dat --quiet)
graded=(--model grm --subjects 100000 --items 50 --categories 5 --discrimination poly-a.dat
        --difficulty poly-thresholds.dat --scores poly-scores.dat --estimates poly-estimates.dat --quiet)
credit=(--model pcm --subjects 100000 --items 50 --categories 5 --discrimination-constant 1
        --difficulty poly-thresholds.dat --scores poly-scores.dat --estimates poly-estimates.dat --quiet)
# Answers missing: ten booklets of 40 items, and 5% missing at random,
# each beside the same-sized run with every answer given.
booklets=(--model 2pl --subjects 100000 --items 100 --discrimination binary-a.dat --difficulty binary-b.dat
          --scores booklet-scores.dat --missing 9 --nodes51 --quiet)
complete=(--model 2pl --subjects 100000 --items 100 --discrimination binary-a.dat --difficulty binary-b.dat
          --scores binary-scores.dat --nodes51 --quiet)
sparse=(--model 2pl --subjects 10000 --items 30 --discrimination binary-a.dat --difficulty binary-b.dat
        --scores sparse-scores.dat --missing 9 --nodes51 --quiet)
# The whole diagnosis as a report: 1,000 subjects of 100 items (the first
# of the binary scores), items, pairs and 1,000 simulated data sets.
report=(--model 3pl --subjects 1000 --items 100 --discrimination binary-a.dat --difficulty binary-b.dat
        --c-indices binary-c.dat --scores report-scores.dat --nodes51 --item-fit --pairs --monte-carlo 1000 --quiet)
# Each subject's person fit, its rows written to a file: the binary scores
# on nodes, the 3-parameter ones on estimates, and each subject of the
# sparse scores simulated 1,000 times.
persons=(--person-fit --persons persons.csv)
person_simulation=(--person-fit --person-monte-carlo 1000 --persons persons.csv)
