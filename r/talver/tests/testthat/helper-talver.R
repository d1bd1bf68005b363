# Where the test command names talver-fit (TALVER_FIT) it must be found, so
# that a wrong path fails instead of skipping; elsewhere the tests that run it
# are skipped without one.
skip_without_program <- function() {
    if (nzchar(Sys.getenv("TALVER_FIT"))) return(invisible(talver_path()))
    if (!nzchar(talver_path(must_work = FALSE))) skip("talver-fit not found")
}

example_file <- function(name) system.file("extdata", name, package = "talver")

example_tables <- function() {
    list(scores = utils::read.csv(example_file("3pl-scores.csv")),
         items = utils::read.csv(example_file("3pl-items.csv")))
}

# One member of the JSON's rows as a vector, null as NA.
json_column <- function(rows, name) {
    unlist(lapply(rows, function(row) if (is.null(row[[name]])) NA else row[[name]]))
}

# Every member of every row of the JSON, parsed apart from the package, is the
# frame's cell to the last bit.
expect_level <- function(frame, rows) {
    expect_identical(nrow(frame), length(rows))
    members <- unique(unlist(lapply(rows, names)))
    expect_true(all(members %in% names(frame)), info = paste(setdiff(members, names(frame)), collapse = ", "))
    for (name in members) {
        expected <- json_column(rows, name)
        actual <- frame[[name]]
        if (is.numeric(expected) || is.numeric(actual)) {
            expected <- as.numeric(expected)
            actual <- as.numeric(actual)
        }
        expect_identical(actual, expected, info = name)
    }
}

# Runs talver-fit in `folder` with the arguments given and parses its JSON
# summary.
run_directly <- function(args, folder) {
    previous <- setwd(folder)
    on.exit(setwd(previous))
    status <- system2(talver_path(), c(shQuote(args), "--format", "json"), stdout = "direct.json", stderr = FALSE)
    expect_identical(status, 0L)
    jsonlite::parse_json(readLines("direct.json", warn = FALSE))
}
