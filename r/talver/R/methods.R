# Printing, summarising, plotting and taking apart a talver_fit.

# The levels as.data.frame() gives, and the argument of talver_fit() that
# adds each of those a run may lack.
fit_levels <- c("scores", "test", "cells", "items", "pairs", "persons", "warnings")
level_arguments <- c(items = "item_fit", pairs = "pairs", persons = "person_fit")

# The rows summary() lists of the items, the pairs and the subjects.
summary_rows <- 10L

print.talver_fit <- function(x, digits = 4L, ...) {
    cat(sprintf("talver-fit: %s model, %s metric, %s subjects counted\n\n",
                x$model, x$metric, format(sum(x$scores$observed), big.mark = ",")))
    print(x$test, digits = digits, row.names = FALSE)
    cat("\n")
    for (line in flag_counts(x)) cat(line, "\n", sep = "")
    for (message in x$warnings$message) cat("Warning: ", message, "\n", sep = "")
    invisible(x)
}

flag_counts <- function(x) {
    c(if (!is.null(x$items)) sprintf("Items flagged: %d of %d", sum(x$items$flagged), nrow(x$items)),
      if (!is.null(x$pairs)) sprintf("Pairs flagged: %d of %d", sum(x$pairs$flagged), nrow(x$pairs)),
      if (!is.null(x$person_fit))
          sprintf("Subjects flagged: %d of %d with figures (%s expected by chance, p = %s)",
                  x$person_fit$flagged, x$person_fit$with_figures, format(x$person_fit$expected_by_chance),
                  format(x$person_fit$flagged_p, digits = 4L)))
}

summary.talver_fit <- function(object, ...) {
    structure(list(fit = object,
                   items = worst_first(object$items, "p"),
                   pairs = worst_first(object$pairs, "x2", decreasing = TRUE),
                   persons = worst_first(object$persons, c("lz_star", "lz"))),
              class = "summary.talver_fit")
}

# Flagged rows first, then by the statistics in turn (lz where eap gives no
# lz*); NA last.
worst_first <- function(rows, by, decreasing = FALSE) {
    if (is.null(rows)) return(NULL)
    keys <- lapply(by, function(column) if (decreasing) -rows[[column]] else rows[[column]])
    rows[do.call(order, c(list(!rows$flagged), keys, na.last = TRUE)), , drop = FALSE]
}

print.summary.talver_fit <- function(x, digits = 4L, ...) {
    print(x$fit, digits = digits)
    titles <- c(items = "Items, flagged first, then by p",
                pairs = "Pairs, flagged first, then by X2",
                persons = "Subjects, flagged first, then by lz* (or lz)")
    for (level in names(titles)) print_rows(x[[level]], titles[[level]], digits)
    invisible(x)
}

print_rows <- function(rows, title, digits) {
    if (is.null(rows)) return(invisible())
    cat("\n", title, ":\n", sep = "")
    print(utils::head(rows, summary_rows), digits = digits, row.names = FALSE)
    if (nrow(rows) > summary_rows) cat(sprintf("... and %d more\n", nrow(rows) - summary_rows))
}

plot.talver_fit <- function(x, main = "Observed and expected score distributions", xlab = "Total score",
                            ylab = "Frequency", col = c("red3", "blue3"), ...) {
    scores <- x$scores
    graphics::plot(scores$score, scores$observed, type = "o", pch = 19, col = col[[1]],
                   ylim = c(0, max(scores$observed, scores$expected)), main = main, xlab = xlab, ylab = ylab, ...)
    graphics::lines(scores$score, scores$expected, type = "o", pch = 19, col = col[[2]])
    graphics::legend("topright", legend = c("Observed", "Expected"), col = col, lty = 1, pch = 19, bty = "n")
    invisible(x)
}

as.data.frame.talver_fit <- function(x, row.names = NULL, optional = FALSE, ..., level = "scores") {
    level <- match.arg(level, fit_levels)
    rows <- x[[level]]
    if (is.null(rows))
        stop(sprintf("this run has no %s: talver_fit(%s = TRUE) adds them", level, level_arguments[[level]]),
             call. = FALSE)
    if (!is.null(row.names)) row.names(rows) <- row.names
    rows
}
