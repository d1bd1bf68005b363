/* The scores' rows laid out as talver-fit reads them, from R's columns. */

#include <string.h>

#include <R.h>
#include <Rinternals.h>
#include <R_ext/Rdynload.h>

/* One answer's byte: its digit, "." where not given, 0 for any other. */
static Rbyte digit_of(int code)
{
    if (code == NA_INTEGER)
        return '.';
    return code >= 0 && code <= 9 ? (Rbyte)('0' + code) : 0;
}

/* Rows first ... first + count - 1 (from 0) of the integer columns, each
   row its field of ids (as written, with a comma) if ids is not NULL, then
   each answer's byte and a comma, the last a line end. NULL when an answer
   is not a single digit, which the caller then writes as text. The columns
   are read one after the other, each in order, while the block's bytes stay
   in the cache. */
static SEXP digit_rows(SEXP columns, SEXP ids, SEXP first_row, SEXP row_count)
{
    const R_xlen_t items = XLENGTH(columns);
    const R_xlen_t first = (R_xlen_t)asReal(first_row), count = (R_xlen_t)asReal(row_count);
    for (R_xlen_t i = 0; i < items; ++i)
        if (TYPEOF(VECTOR_ELT(columns, i)) != INTSXP || XLENGTH(VECTOR_ELT(columns, i)) < first + count)
            error("digit_rows: column %lld is not integer answers of every row", (long long)i + 1);
    if (ids != R_NilValue && (TYPEOF(ids) != STRSXP || XLENGTH(ids) != count))
        error("digit_rows: ids must be the block's fields, one a row");
    R_xlen_t size = 2 * items * count;
    for (R_xlen_t r = 0; ids != R_NilValue && r < count; ++r)
        size += (R_xlen_t)strlen(CHAR(STRING_ELT(ids, r))) + 1;
    SEXP bytes = PROTECT(allocVector(RAWSXP, size));
    Rbyte *out = RAW(bytes);
    R_xlen_t *start = (R_xlen_t *)R_alloc((size_t)count, sizeof(R_xlen_t));  /* each row's answers */
    for (R_xlen_t r = 0, at = 0; r < count; ++r) {
        if (ids != R_NilValue) {
            const char *id = CHAR(STRING_ELT(ids, r));
            const size_t length = strlen(id);
            memcpy(out + at, id, length);
            out[at + (R_xlen_t)length] = ',';
            at += (R_xlen_t)length + 1;
        }
        start[r] = at;
        at += 2 * items;
    }
    for (R_xlen_t i = 0; i < items; ++i) {
        const int *answer = INTEGER(VECTOR_ELT(columns, i)) + first;
        const Rbyte after = i + 1 == items ? '\n' : ',';
        for (R_xlen_t r = 0; r < count; ++r) {
            Rbyte *cell = out + start[r] + 2 * i;
            cell[0] = digit_of(answer[r]);
            if (cell[0] == 0) {
                UNPROTECT(1);
                return R_NilValue;
            }
            cell[1] = after;
        }
    }
    UNPROTECT(1);
    return bytes;
}

static const R_CallMethodDef calls[] = {{"digit_rows", (DL_FUNC)(void (*)(void))digit_rows, 4}, {NULL, NULL, 0}};

void R_init_talver(DllInfo *dll)
{
    R_registerRoutines(dll, NULL, calls, NULL, NULL);
    R_useDynamicSymbols(dll, FALSE);
    R_forceSymbols(dll, TRUE);
}
