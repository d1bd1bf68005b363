test_that("every level is talver-fit's JSON to the last bit", {
    skip_without_program()
    example <- example_tables()
    folder <- tempfile()
    fit <- talver_fit(example$scores, example$items, model = "3pl", id_column = "student", pairs = TRUE,
                      person_fit = TRUE, monte_carlo = 50, dir = folder)
    json <- jsonlite::parse_json(readLines(file.path(folder, "summary.json"), warn = FALSE))

    pooled <- json$pooled
    simulated <- json$monte_carlo
    expect_identical(fit$test$statistic, c("chi_square", "pooled_chi_square", "likelihood_ratio"))
    expect_identical(fit$test$value, c(json$chi_square, pooled$chi_square, pooled$likelihood_ratio))
    expect_identical(as.numeric(fit$test$df), as.numeric(c(NA, pooled$df, pooled$df)))
    expect_identical(fit$test$p, c(NA, pooled$p, pooled$likelihood_ratio_p))
    expect_identical(fit$test$p_mc, c(simulated$chi_square_p, simulated$pooled_chi_square_p,
                                      simulated$likelihood_ratio_p))
    expect_level(fit$scores, json$scores)
    expect_level(fit$cells, json$cells)
    expect_level(fit$items, json$items)
    expect_level(fit$pairs, json$pairs)

    # The JSON lists the 20 most misfitting subjects; the frame, read from
    # --persons, every subject.
    expect_identical(nrow(fit$persons), 1000L)
    expect_identical(fit$persons$id, example$scores$student)
    rows <- json$persons$rows
    expect_level(fit$persons[match(json_column(rows, "id"), fit$persons$id), ], rows)
    for (count in c("subjects", "with_figures", "flagged", "expected_by_chance", "flagged_p"))
        expect_identical(as.numeric(fit$person_fit[[count]]), as.numeric(json$persons[[count]]), info = count)
})

test_that("each score falls in the pooled cell that holds it", {
    skip_without_program()
    example <- example_tables()
    fit <- talver_fit(example$scores, example$items, model = "3pl", id_column = "student", item_fit = FALSE)
    cells <- fit$cells[fit$scores$cell, ]
    expect_true(all(fit$scores$score >= cells$first_score & fit$scores$score <= cells$last_score))
    expect_identical(as.numeric(tapply(fit$scores$observed, fit$scores$cell, sum)), as.numeric(fit$cells$observed))
})

test_that("as.data.frame gives each level and says which argument adds one the run lacks", {
    skip_without_program()
    example <- example_tables()
    fit <- talver_fit(example$scores, example$items, model = "3pl", id_column = "student")
    expect_identical(as.data.frame(fit), fit$scores)
    expect_identical(as.data.frame(fit, level = "items"), fit$items)
    expect_null(fit$pairs)
    expect_error(as.data.frame(fit, level = "pairs"), "pairs = TRUE")
    expect_error(as.data.frame(fit, level = "persons"), "person_fit = TRUE")
})
