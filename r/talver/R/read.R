# talver-fit's summary (JSON) and person rows (CSV) as data frames, their
# numbers as the program wrote them, to the last bit.

`%||%` <- function(x, y) if (is.null(x)) y else x

# Each level's columns in the order its frame gives them; members talver-fit adds
# later follow these.
column_order <- list(
    scores = c("score", "observed", "expected", "contribution", "residual", "cell"),
    cells = c("first_score", "last_score", "observed", "expected"),
    items = c("item", "name", "sx2", "df", "p", "p_adjusted", "p_mc", "rmsea", "flagged", "groups", "answered"),
    pairs = c("first", "second", "first_name", "second_name", "x2", "df", "p", "p_adjusted", "p_mc",
              "sign", "v", "flagged", "both"),
    persons = c("id", "answered", "total", "theta", "se", "given_theta", "lz", "lz_star", "p", "p_mc",
                "infit", "outfit", "infit_t", "outfit_t", "flagged", "note"),
    warnings = c("kind", "file", "message")
)

read_summary <- function(file) {
    json <- tryCatch(fromJSON(file, simplifyVector = TRUE),
                     error = function(e) stop(talver_error(
                         paste("talver-fit's summary cannot be read:", conditionMessage(e)), 0L)))
    cells <- level_frame(json$cells, "cells")
    list(test = test_level(json),
         scores = scores_level(level_frame(json$scores, "scores"), cells),
         cells = cells,
         items = if (!is.null(json$items)) level_frame(json$items, "items"),
         pairs = if (!is.null(json$pairs)) level_frame(json$pairs, "pairs"),
         person_fit = person_summary(json$persons),
         warnings = level_frame(json$warnings, "warnings"),
         missing = missing_summary(json$missing),
         monte_carlo = json$monte_carlo[c("replicates", "seed")])
}

# An empty list in the JSON is a frame of no rows with the level's columns.
level_frame <- function(rows, level) {
    if (!is.data.frame(rows)) {
        columns <- lapply(column_order[[level]], function(name) character())
        names(columns) <- column_order[[level]]
        rows <- as.data.frame(columns, stringsAsFactors = FALSE)
    }
    rows[] <- lapply(names(rows), function(name) numbers_not_given(rows[[name]], name))
    ordered_columns(rows, level)
}

# A member null in every row is a number not given, not a logical.
numbers_not_given <- function(column, name) {
    if (is.logical(column) && all(is.na(column)) && name != "flagged") as.numeric(column) else column
}

ordered_columns <- function(frame, level) {
    known <- intersect(column_order[[level]], names(frame))
    frame[c(known, setdiff(names(frame), known))]
}

# The test level as the CSV summary has it: each statistic with its df, p and,
# after a simulation, its simulated p.
test_level <- function(json) {
    pooled <- json$pooled %||% list()
    value <- function(x) if (is.null(x)) NA_real_ else x
    test <- data.frame(statistic = c("chi_square", "pooled_chi_square", "likelihood_ratio"),
                       value = c(json$chi_square, value(pooled$chi_square), value(pooled$likelihood_ratio)),
                       df = c(NA, value(pooled$df), value(pooled$df)),
                       p = c(NA, value(pooled$p), value(pooled$likelihood_ratio_p)),
                       stringsAsFactors = FALSE)
    simulated <- json$monte_carlo
    if (!is.null(simulated))
        test$p_mc <- c(value(simulated$chi_square_p), value(simulated$pooled_chi_square_p),
                       value(simulated$likelihood_ratio_p))
    test
}

# Each score with the number of the pooled cell it falls in.
scores_level <- function(scores, cells) {
    scores$cell <- if (nrow(cells) > 0L) findInterval(scores$score, cells$first_score) else integer(nrow(scores))
    scores
}

person_summary <- function(persons) {
    if (is.null(persons)) return(NULL)
    persons$notes <- unlist(persons$notes)
    persons[setdiff(names(persons), "rows")]
}

missing_summary <- function(missing) {
    if (is.null(missing)) return(NULL)
    missing$codes <- as.integer(unlist(missing$codes))
    missing
}

# Every subject's row as talver-fit wrote it: ids as text, an empty figure NA,
# an empty note "".
read_persons <- function(file) {
    persons <- utils::read.csv(file, colClasses = c(id = "character", note = "character", flagged = "logical"),
                               na.strings = "", check.names = FALSE, stringsAsFactors = FALSE,
                               encoding = "UTF-8")
    persons$note[is.na(persons$note)] <- ""
    ordered_columns(persons, "persons")
}
