# Finding talver-fit, running it, and its failures as R conditions.

# The status a shell gives a command it cannot find, used for a missing program
# so that every failure carries a status.
not_found_status <- 127L

talver_path <- function(must_work = TRUE) {
    setting <- program_setting()
    path <- if (is.null(setting)) program_found() else setting$path
    if (!is.null(path) && is_program(path)) return(normalizePath(path))
    if (!must_work) return("")
    stop(talver_error(not_found_message(setting), not_found_status))
}

# A setting that names no program is an error, not a reason to look further:
# another copy found instead would hide the mistake.
program_setting <- function() {
    option <- getOption("talver.fit")
    if (!is.null(option)) return(list(path = path.expand(option), from = 'the option "talver.fit"'))
    variable <- Sys.getenv("TALVER_FIT")
    if (nzchar(variable)) return(list(path = path.expand(variable), from = "TALVER_FIT"))
    NULL
}

program_found <- function() {
    on_path <- Sys.which("talver-fit")[[1]]
    if (nzchar(on_path)) return(on_path)
    build_folder_program(getwd())
}

# The build of the source tree the session works in: build/bin/talver-fit in
# the working directory or the nearest folder above it that has one.
build_folder_program <- function(from) {
    repeat {
        candidate <- file.path(from, "build", "bin", "talver-fit")
        if (is_program(candidate)) return(candidate)
        parent <- dirname(from)
        if (parent == from) return(NULL)
        from <- parent
    }
}

is_program <- function(path) {
    length(path) == 1L && !is.na(path) && file.exists(path) && !dir.exists(path) &&
        file.access(path, 1L) == 0L
}

not_found_message <- function(setting) {
    if (!is.null(setting))
        return(sprintf("talver-fit was not found: %s names %s, which is not a program",
                       setting$from, setting$path))
    sprintf(paste("talver-fit was not found: not on the PATH, nor in build/bin from %s up;",
                  "set TALVER_FIT or options(talver.fit = ) to its path"), getwd())
}

# A path given outright is checked as a found one is, so that a wrong one
# fails as "not found" and not as a shell's message.
checked_program <- function(path) {
    if (!is_program(path))
        stop(talver_error(sprintf("talver-fit was not found: %s is not a program", path), not_found_status))
    path
}

talver_error <- function(message, status, command = NULL, output = character()) {
    structure(class = c("talver_error", "error", "condition"),
              list(message = message, call = NULL, status = as.integer(status),
                   command = command, output = output))
}

talver_version <- function(program = talver_path()) {
    command <- paste(shell_word(checked_program(program)), "--version")
    output <- suppressWarnings(system(paste(command, "2>&1"), intern = TRUE))
    status <- attr(output, "status")
    if (!is.null(status) && status != 0L)
        stop(talver_error(failure_line(output, status), status, command, output))
    list(version = numeric_version(line_after(output, "talver-fit ")),
         vector_path = line_after(output, "vector path: "),
         program = program)
}

line_after <- function(lines, prefix) {
    found <- lines[startsWith(lines, prefix)]
    if (length(found) == 0L) return(NA_character_)
    substring(found[[1]], nchar(prefix) + 1L)
}

# A word the shell takes as it is, quoted only where it must be, so that the
# command line kept with the results reads as one would type it.
shell_word <- function(word) {
    plain <- grepl("^[A-Za-z0-9_./=:,+@%-]+$", word)
    ifelse(plain, word, shQuote(word))
}

# Runs talver-fit in `folder` (its file names relative to it), the summary to
# `summary_file`; returns the command line, or fails with talver-fit's line.
run_program <- function(program, args, folder, summary_file, threads) {
    environment <- if (is.null(threads)) character() else paste0("TALVER_THREADS=", flag_text(threads))
    command <- paste(c(environment, shell_word(program), shell_word(args)), collapse = " ")
    errors <- file.path(folder, "stderr.txt")
    status <- in_folder(folder, system(paste(command, ">", shQuote(summary_file), "2>", shQuote(errors))))
    if (status != 0L) {
        output <- read_lines(errors)
        stop(talver_error(failure_line(output, status), status, command, output))
    }
    command
}

in_folder <- function(folder, expression) {
    previous <- setwd(folder)
    on.exit(setwd(previous))
    expression
}

read_lines <- function(file) {
    if (!file.exists(file)) return(character())
    readLines(file, warn = FALSE, encoding = "UTF-8")
}

# talver-fit ends a failure with one line of its own, after any warnings.
failure_line <- function(output, status) {
    own <- output[startsWith(output, "talver-fit: ")]
    if (length(own) > 0L) return(own[[length(own)]])
    sprintf("talver-fit ended with exit status %d and no message", status)
}
