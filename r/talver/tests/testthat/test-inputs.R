# 200 subjects of the 3-parameter example with names and ids that need
# quoting, answers left out (written as `not_given`), a subject without any,
# a factor whose codes are not its labels, a logical and a double column.
awkward_example <- function(not_given) {
    example <- example_tables()
    scores <- example$scores[1:200, ]
    answers <- as.matrix(scores[-1])
    set.seed(7)
    answers[cbind(sample(200, 40, replace = TRUE), sample(20, 40, replace = TRUE))] <- NA
    answers[5, ] <- NA
    for (item in 1:20) scores[[item + 1L]] <- replace(answers[, item], is.na(answers[, item]), not_given)
    scores[[8]] <- factor(scores[[8]], levels = c("1", "0", if (!is.na(not_given)) not_given))
    scores[[9]] <- answers[, 8] == 1
    scores[[10]] <- as.numeric(scores[[10]])
    awkward <- c("q 1", "say \"hi\"", "a,b", "c;d", "tab\there", "Frage \u00e4")
    names(scores)[2:7] <- awkward
    items <- example$items
    items$item[1:6] <- awkward
    scores$student[1:4] <- c("s 1", "quote \"x\"", "comma, y", "semi;colon")
    list(scores = scores, items = items, answers = answers)
}

test_that("names, ids, answers not given, factors and logicals go in as they are", {
    skip_without_program()
    # NA takes the fast way; a missing code of two digits the way of text.
    for (not_given in list(NA, 99L)) {
        example <- awkward_example(not_given)
        missing <- if (!is.na(not_given)) not_given
        expect_warning(
            fit <- talver_fit(example$scores, example$items, model = "3pl", id_column = "student",
                              missing = missing, person_fit = TRUE),
            class = "talver_warning")
        expect_identical(fit$warnings$kind, "no_answers")
        expect_identical(fit$items$name, names(example$scores)[-1])
        expect_identical(fit$persons$id, example$scores$student)
        expect_identical(fit$persons$answered, as.integer(rowSums(!is.na(example$answers))))
        expect_identical(fit$persons$total, as.integer(rowSums(example$answers, na.rm = TRUE)))
        expect_identical(fit$missing$answers_missing, sum(is.na(example$answers)))
    }
})

test_that("row names are the ids, and without ids the subjects are numbered", {
    skip_without_program()
    example <- example_tables()
    scores <- example$scores[1:50, ]
    named <- scores[-1]
    rownames(named) <- scores$student
    fit <- talver_fit(as.matrix(named), example$items, model = "3pl", person_fit = TRUE)
    expect_identical(fit$persons$id, scores$student)
    fit <- talver_fit(unname(as.matrix(scores[-1])), example$items[-1], model = "3pl", person_fit = TRUE)
    expect_identical(fit$persons$id, as.character(1:50))
    expect_identical(fit$persons$total, as.integer(rowSums(scores[-1])))
})

test_that("a table written in blocks is the table written whole", {
    whole <- tempfile()
    in_blocks <- tempfile()
    # Ids of one width and of several; answers as bytes and as text.
    tables <- list(example_tables()$scores[1:200, ], awkward_example(NA)$scores, awkward_example(99L)$scores)
    for (scores in tables) {
        table <- talver:::split_ids(scores, "student")
        talver:::write_scores_table(table, whole)
        talver:::write_scores_table(table, in_blocks, cells = 7 * 20)
        expect_identical(readBin(in_blocks, raw(), 1e6), readBin(whole, raw(), 1e6))
    }
})

test_that("parameters are taken by their columns' names, in any order, with others ignored", {
    skip_without_program()
    example <- example_tables()
    items <- example$items
    given <- talver_fit(example$scores, items, model = "3pl", id_column = "student")
    as_matrix <- as.matrix(items[c("b", "a", "c")])
    rownames(as_matrix) <- items$item
    others <- list(reordered = items[c("c", "b", "item", "a")],
                   with_g = structure(items, names = c("item", "a", "b", "g")),
                   with_more = cbind(items, se = 0.1, note = "from a \"calibration\", by hand"),
                   matrix_with_row_names = as_matrix)
    for (name in names(others)) {
        fit <- talver_fit(example$scores, others[[name]], model = "3pl", id_column = "student")
        expect_identical(fit$test, given$test, info = name)
        expect_identical(fit$items, given$items, info = name)
    }
})

test_that("a latent distribution held in R is the one talver-fit reads from its file", {
    skip_without_program()
    example <- example_tables()
    folder <- tempfile()
    dir.create(folder)
    nodes <- utils::read.table(file.path(dirname(talver_path()), "nodes51.dat"))
    estimates <- scan(example_file("3pl-estimates.dat"), quiet = TRUE)
    fits <- list(nodes = talver_fit(example$scores, example$items, "3pl", latent = nodes, id_column = "student"),
                 estimates = talver_fit(example$scores, example$items, "3pl", latent = estimates,
                                        id_column = "student"))
    files <- c(nodes = "--nodes51", estimates = "--estimates")
    common <- c("--model", "3pl", "--scores", example_file("3pl-scores.csv"), "--id-column", "student",
                "--parameters", example_file("3pl-items.csv"), "--item-fit")
    direct <- list(nodes = run_directly(c(common, "--nodes51"), folder),
                   estimates = run_directly(c(common, "--estimates", example_file("3pl-estimates.dat")), folder))
    for (latent in names(fits)) {
        expect_level(fits[[latent]]$scores, direct[[latent]]$scores)
        expect_level(fits[[latent]]$items, direct[[latent]]$items)
    }
})
