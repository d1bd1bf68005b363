caught <- function(expression) tryCatch(expression, talver_error = function(e) e)

test_that("a program not found is a talver_error of status 127, naming where it was looked for", {
    example <- example_tables()
    nowhere <- file.path(tempdir(), "no-such-talver-fit")
    failure <- caught(talver_fit(example$scores, example$items, "3pl", program = nowhere))
    expect_s3_class(failure, "talver_error")
    expect_identical(failure$status, 127L)
    expect_match(conditionMessage(failure), nowhere, fixed = TRUE)

    previous <- options(talver.fit = nowhere)
    failure <- caught(talver_path())
    quietly <- talver_path(must_work = FALSE)
    options(previous)
    expect_identical(failure$status, 127L)
    expect_match(conditionMessage(failure), "the option \"talver.fit\"", fixed = TRUE)
    expect_identical(quietly, "")

    variable <- Sys.getenv("TALVER_FIT", unset = NA)
    Sys.setenv(TALVER_FIT = nowhere)
    failure <- caught(talver_path())
    if (is.na(variable)) Sys.unsetenv("TALVER_FIT") else Sys.setenv(TALVER_FIT = variable)
    expect_identical(failure$status, 127L)
    expect_match(conditionMessage(failure), "TALVER_FIT", fixed = TRUE)
})

test_that("what talver-fit refuses is a talver_error with its line and exit status", {
    skip_without_program()
    example <- example_tables()
    scores <- example$scores[1:100, ]
    words <- scores
    words$q03 <- factor(ifelse(words$q03 == 1, "right", "wrong"))
    failures <- list(
        # A code of the model as a missing code: a bad command line.
        list(caught(talver_fit(scores, example$items, "3pl", id_column = "student", missing = 1)), 64L,
             "talver-fit: --missing: the missing code 1 is one of the model's codes"),
        list(caught(talver_fit(scores, example$items, "3pl", id_column = "student", monte_carlo = 0)), 64L,
             "--monte-carlo"),
        # Labels that are not codes, and parameters without a difficulty.
        list(caught(talver_fit(words, example$items, "3pl", id_column = "student")), 14L,
             "column \"q03\": the code \"right\" is not a whole number"),
        list(caught(talver_fit(scores, example$items[c("item", "a", "c")], "3pl", id_column = "student")), 14L,
             "talver-fit: The table cannot be read: "),
        list(caught(talver_fit(file.path(tempdir(), "none.csv"), example$items, "3pl")), 4L, "none.csv"))
    for (failure in failures) {
        expect_s3_class(failure[[1]], "talver_error")
        expect_identical(failure[[1]]$status, failure[[2]])
        expect_match(conditionMessage(failure[[1]]), failure[[3]], fixed = TRUE)
        expect_length(strsplit(conditionMessage(failure[[1]]), "\n")[[1]], 1L)
    }
})

test_that("a warning fails the run with strict", {
    skip_without_program()
    example <- example_tables()
    scores <- example$scores[1:100, ]
    scores[3, -1] <- NA
    failure <- caught(talver_fit(scores, example$items, "3pl", id_column = "student", strict = TRUE))
    expect_identical(failure$status, 65L)
})
