# The large whole-process scenarios, as talver-fit's arguments, on the
# inputs of make_bench_data; sourced by the benchmark scripts.
binary=(--model 1pl --subjects 1000000 --items 100 --discrimination-constant 1 --difficulty binary-b.dat
        --scores binary-scores.dat --nodes51 --quiet)
three=(--model 3pl --subjects 100000 --items 100 --discrimination binary-a.dat --difficulty binary-b.dat
       --c-indices binary-c.dat --scores binary-scores.dat --estimates binary-estimates.dat --quiet)
graded=(--model grm --subjects 100000 --items 50 --categories 5 --discrimination poly-a.dat
        --difficulty poly-thresholds.dat --scores poly-scores.dat --estimates poly-estimates.dat --quiet)
credit=(--model pcm --subjects 100000 --items 50 --categories 5 --discrimination-constant 1
        --difficulty poly-thresholds.dat --scores poly-scores.dat --estimates poly-estimates.dat --quiet)
