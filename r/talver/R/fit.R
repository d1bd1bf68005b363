# One run of talver-fit on inputs held in R or in files, its summary as data
# frames.

talver_fit <- function(scores, parameters, model, metric = "normal", latent = "nodes51",
                       missing = NULL, id_column = NULL, item_fit = TRUE, pairs = FALSE,
                       person_fit = FALSE, theta_estimator = "wle", monte_carlo = NULL,
                       person_monte_carlo = NULL, seed = NULL, min_expected = NULL,
                       item_min_expected = NULL, strict = FALSE, report = NULL,
                       subjects = NULL, items = NULL, threads = NULL,
                       program = talver_path(), dir = NULL) {
    call <- match.call()
    # A missing program fails before anything is written.
    checked_program(program)
    folder <- run_folder(dir)
    if (is.null(dir)) on.exit(unlink(folder, recursive = TRUE), add = TRUE)
    estimator <- if (switch_on(person_fit, "person_fit") || !missing(theta_estimator)) theta_estimator
    args <- c(valued("--model", model), valued("--metric", metric),
              scores_arguments(scores, id_column, folder),
              parameters_arguments(parameters, folder),
              latent_arguments(latent, folder),
              valued("--subjects", subjects), valued("--items", items),
              valued("--missing", missing),
              "--format", "json",
              valued("--min-expected", min_expected),
              switched("--strict", strict, "strict"),
              switched("--item-fit", item_fit, "item_fit"),
              valued("--item-min-expected", item_min_expected),
              switched("--pairs", pairs, "pairs"),
              valued("--monte-carlo", monte_carlo),
              valued("--seed", seed),
              valued("--report", if (!is.null(report)) absolute_path(report)),
              switched("--person-fit", person_fit, "person_fit"),
              valued("--theta-estimator", estimator),
              valued("--persons", if (person_fit) persons_file),
              valued("--person-monte-carlo", person_monte_carlo))
    command <- run_program(program, args, folder, summary_file, threads)
    result <- read_summary(file.path(folder, summary_file))
    if (person_fit) result$persons <- read_persons(file.path(folder, persons_file))
    signal_warnings(result$warnings)
    structure(c(result[c("test", "scores", "cells", "items", "pairs", "persons", "person_fit", "warnings",
                         "missing", "monte_carlo")],
                list(model = model, metric = metric, call = call, command = command)),
              class = "talver_fit")
}

summary_file <- "summary.json"
persons_file <- "persons.csv"

run_folder <- function(dir) {
    folder <- if (is.null(dir)) tempfile("talver-") else dir
    dir.create(folder, recursive = TRUE, showWarnings = FALSE)
    if (!dir.exists(folder)) stop(sprintf("the folder %s cannot be made", folder), call. = FALSE)
    normalizePath(folder)
}

# A value as talver-fit takes it: numbers in full without exponents, several
# values (missing codes) separated by commas.
flag_text <- function(value) {
    text <- vapply(value, function(one) {
        if (is.numeric(one)) format(one, scientific = FALSE, digits = 15, trim = TRUE) else as.character(one)
    }, character(1), USE.NAMES = FALSE)
    paste(text, collapse = ",")
}

valued <- function(flag, value) if (is.null(value)) character() else c(flag, flag_text(value))

switch_on <- function(value, argument) {
    if (!is.logical(value) || length(value) != 1L || is.na(value))
        stop(sprintf("%s must be TRUE or FALSE", argument), call. = FALSE)
    value
}

switched <- function(flag, value, argument) if (switch_on(value, argument)) flag else character()

signal_warnings <- function(warnings) {
    for (message in warnings$message)
        warning(structure(class = c("talver_warning", "warning", "condition"),
                          list(message = paste("talver-fit:", message), call = NULL)))
}
