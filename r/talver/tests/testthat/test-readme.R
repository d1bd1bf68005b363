# The README's first analysis from R ("From R") prints these lines; a change
# to one is a change to the other.
readme_fit <- c(
    "talver-fit: 3pl model, normal metric, 1,000 subjects counted",
    "",
    "         statistic value df      p",
    "        chi_square 16.61 NA     NA",
    " pooled_chi_square 16.51 18 0.5567",
    "  likelihood_ratio 17.19 18 0.5098",
    "",
    "Items flagged: 0 of 20",
    "Pairs flagged: 0 of 190")

readme_items <- c(
    "   item name       sx2 df          p p_adjusted      rmsea flagged groups",
    "1     1  q01 11.799166 13 0.54417709  0.6802214 0.00000000   FALSE     16",
    "2     2  q02  9.939853 14 0.76656753  0.7665675 0.00000000   FALSE     17",
    "3     3  q03 14.533923 13 0.33734467  0.5189918 0.01086794   FALSE     16",
    "4     4  q04 28.026050 14 0.01411507  0.2708032 0.03166802   FALSE     17",
    "5     5  q05  9.061569 12 0.69766282  0.7528298 0.00000000   FALSE     15",
    "6     6  q06  8.314917 11 0.68484709  0.7528298 0.00000000   FALSE     14",
    "7     7  q07 24.468973 13 0.02708032  0.2708032 0.02971720   FALSE     16",
    "8     8  q08 13.922265 14 0.45551837  0.6163216 0.00000000   FALSE     17",
    "9     9  q09  9.738217 13 0.71518835  0.7528298 0.00000000   FALSE     16",
    "10   10  q10  9.511995  7 0.21795516  0.5100936 0.01895299   FALSE     10",
    "11   11  q11 12.814488 13 0.46224122  0.6163216 0.00000000   FALSE     16",
    "12   12  q12 16.570585 13 0.21968508  0.5100936 0.01658117   FALSE     16",
    "13   13  q13 15.598522 13 0.27149060  0.5100936 0.01414519   FALSE     16",
    "14   14  q14 17.636753 12 0.12717330  0.5100936 0.02168409   FALSE     15",
    "15   15  q15 13.622382 11 0.25459711  0.5100936 0.01544788   FALSE     14",
    "16   16  q16 19.828986 13 0.09955726  0.5100936 0.02293104   FALSE     16",
    "17   17  q17 15.116104 13 0.30016084  0.5100936 0.01276480   FALSE     16",
    "18   18  q18 18.996798 14 0.16507164  0.5100936 0.01890162   FALSE     17",
    "19   19  q19 16.776397 14 0.26828966  0.5100936 0.01408945   FALSE     17",
    "20   20  q20 15.020799 13 0.30605617  0.5100936 0.01247404   FALSE     16")

test_that("the README's first analysis prints the figures the README shows", {
    skip_without_program()
    scores <- utils::read.csv(example_file("3pl-scores.csv"))
    items <- utils::read.csv(example_file("3pl-items.csv"))
    fit <- talver_fit(scores, items, model = "3pl", id_column = "student", pairs = TRUE)
    expect_identical(utils::capture.output(fit), readme_fit)
    expect_identical(utils::capture.output(fit$items), readme_items)
    grDevices::pdf(NULL)
    expect_invisible(plot(fit))
    grDevices::dev.off()
})
