# The inputs held in R written as talver-fit reads them: the scores and the
# item parameters as tables, the latent distribution as numbers.

# Codes of one digit take the fast way (src/rows.c). An answer not given is
# ".", which talver-fit reads as an empty cell, so that every cell stays two
# bytes wide.
not_given <- "."

# Doubles as text that reads back to the same double.
number_text <- function(x) {
    text <- sprintf("%.17g", x)
    text[is.na(x)] <- ""
    text
}

# A field of a table: in double quotes (a quote doubled) when it holds a
# separator, a quote or a line end, else as it is; NA is an empty field.
csv_field <- function(x) {
    text <- enc2utf8(as.character(x))
    text[is.na(text)] <- ""
    quoted <- grepl("[,;\t\"\r\n]", text, useBytes = TRUE)
    text[quoted] <- paste0("\"", gsub("\"", "\"\"", text[quoted], fixed = TRUE), "\"")
    text
}

csv_line <- function(fields) paste(csv_field(fields), collapse = ",")

# A column as the fields of a table.
text_cells <- function(column) if (is.double(column)) number_text(column) else csv_field(column)

answer_cells <- function(column) {
    cells <- text_cells(column)
    cells[is.na(column)] <- not_given
    cells
}

absolute_path <- function(path) {
    path <- path.expand(path)
    if (grepl("^(/|[A-Za-z]:)", path)) path else file.path(getwd(), path)
}

is_file_name <- function(x) is.character(x) && length(x) == 1L && !is.na(x)

as_frame <- function(x, what) {
    if (is.data.frame(x)) return(x)
    if (is.matrix(x)) return(as.data.frame(x, stringsAsFactors = FALSE))
    stop(sprintf("%s must be a data frame, a matrix or a file name", what), call. = FALSE)
}

has_row_names <- function(frame) .row_names_info(frame) > 0L

# ---- Scores ----

# The scores' arguments: a file name is passed on; a data frame or matrix is
# written to `folder` as a table, ids first (the id column, else any row names).
scores_arguments <- function(scores, id_column, folder) {
    if (is_file_name(scores))
        return(c("--scores", absolute_path(scores), id_arguments(id_column)))
    frame <- as_frame(scores, "scores")
    table <- split_ids(frame, id_column)
    write_scores_table(table, file.path(folder, "scores.csv"))
    c("--scores", "scores.csv", id_arguments(table$id_name))
}

id_arguments <- function(id_column) {
    if (is.null(id_column) || !nzchar(id_column)) character() else c("--id-column", id_column)
}

# The frame's columns as a list, which every kind of data frame gives alike.
# An id column that is not in the frame is left to talver-fit to refuse.
split_ids <- function(frame, id_column) {
    columns <- as.list(frame)
    table <- list(ids = NULL, id_name = id_column, items = columns, subjects = nrow(frame))
    if (!is.null(id_column) && id_column %in% names(columns)) {
        at <- match(id_column, names(columns))
        table[c("ids", "items")] <- list(columns[[at]], columns[-at])
    } else if (has_row_names(frame)) {
        table[c("ids", "id_name")] <- list(rownames(frame), "")
    }
    table
}

write_scores_table <- function(table, file, cells = block_cells) {
    codes <- lapply(names(table$items), function(name) answer_codes(table$items[[name]], name))
    header <- csv_line(c(if (!is.null(table$ids)) table$id_name, names(table$items)))
    digits <- all_integers(codes)
    connection <- file(file, "wb")
    on.exit(close(connection))
    writeBin(charToRaw(paste0(header, "\n")), connection)
    for (rows in row_blocks(table$subjects, length(codes), cells)) {
        ids <- if (!is.null(table$ids)) text_cells(table$ids[rows])
        body <- if (digits) .Call(C_digit_rows, codes, ids, rows[[1]] - 1, length(rows))
        if (is.null(body))
            write_text_rows(lapply(codes, `[`, rows), ids, connection)
        else
            writeBin(body, connection)
    }
}

# Rows are written in blocks of about this many cells: each block's bytes
# stay in the processor's cache while its rows are laid out, and no block
# nears writeBin's limit of 2 GB.
block_cells <- 2^18

row_blocks <- function(subjects, items, cells) {
    if (subjects == 0L) return(list())
    size <- max(1L, cells %/% max(1L, items))
    starts <- seq(1L, subjects, by = size)
    lapply(starts, function(first) first:min(subjects, first + size - 1L))
}

# A column of answers as integers where it holds whole numbers, else as it is
# (talver-fit then names the cell it cannot take). Factors are their labels,
# logicals 0 and 1.
answer_codes <- function(column, name) {
    if (is.factor(column)) return(label_codes(column))
    if (is.logical(column)) return(as.integer(column))
    if (is.integer(column) || is.character(column)) return(unclass(column))
    if (is.double(column) && !is.object(column)) return(whole_or_double(column))
    stop(sprintf("the scores' column %s is of class %s, not answers", name, class(column)[[1]]),
         call. = FALSE)
}

label_codes <- function(column) {
    labels <- levels(column)
    if (all(grepl("^-?[0-9]{1,9}$", labels))) return(as.integer(labels)[as.integer(column)])
    as.character(column)
}

whole_or_double <- function(column) {
    whole <- all(column == trunc(column) & abs(column) <= .Machine$integer.max, na.rm = TRUE)
    if (whole) as.integer(column) else column
}

all_integers <- function(codes) length(codes) > 0L && all(vapply(codes, is.integer, logical(1)))

# ids: the rows' fields as written.
write_text_rows <- function(codes, ids, connection) {
    cells <- c(if (!is.null(ids)) list(ids), lapply(codes, answer_cells))
    writeLines(do.call(paste, c(cells, sep = ",")), connection, useBytes = TRUE)
}

# ---- Item parameters ----

# A file name is passed on; a data frame or matrix is written whole (talver-fit
# ignores the columns it does not know), row names as the items' names when
# there is no column item.
parameters_arguments <- function(parameters, folder) {
    if (is_file_name(parameters)) return(c("--parameters", absolute_path(parameters)))
    frame <- as_frame(parameters, "parameters")
    if (!("item" %in% names(frame)) && has_row_names(frame))
        frame <- cbind(data.frame(item = rownames(frame), stringsAsFactors = FALSE), frame)
    write_table(frame, file.path(folder, "parameters.csv"))
    c("--parameters", "parameters.csv")
}

write_table <- function(frame, file) {
    rows <- do.call(paste, c(unname(lapply(frame, text_cells)), sep = ","))
    writeLines(c(csv_line(names(frame)), rows), file, useBytes = TRUE)
}

# ---- Latent distribution ----

# "nodes20" or "nodes51" are talver-fit's own; two columns are points and
# weights; a vector holds one estimate per subject.
latent_arguments <- function(latent, folder) {
    if (is_file_name(latent)) return(paste0("--", latent))
    if (is.data.frame(latent) || is.matrix(latent)) {
        if (ncol(latent) != 2L)
            stop("latent as a table must have two columns, the points and their weights", call. = FALSE)
        lines <- paste(number_text(as.numeric(latent[, 1])), number_text(as.numeric(latent[, 2])))
        writeLines(lines, file.path(folder, "nodes.dat"))
        return(c("--nodes", "nodes.dat", "--node-count", nrow(latent)))
    }
    if (is.numeric(latent)) {
        writeLines(number_text(latent), file.path(folder, "estimates.dat"))
        return(c("--estimates", "estimates.dat"))
    }
    stop("latent must be \"nodes20\", \"nodes51\", a table of points and weights or a vector of estimates",
         call. = FALSE)
}
