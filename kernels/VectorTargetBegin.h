// Opens the region compiled for one vector path's instructions
// (TALVER_VECTOR_TARGET, none for the baseline); VectorTargetEnd.h closes
// it. Included after every library header, so that no inline function of
// theirs is compiled for wider instructions than the processor may have.
// No include guard: each path's file opens its own region.

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#if defined(TALVER_VECTOR_TARGET)
#define TALVER_PRAGMA_TEXT(text) _Pragma(#text)
#define TALVER_PRAGMA(text) TALVER_PRAGMA_TEXT(text)
#if defined(__clang__)
TALVER_PRAGMA(clang attribute push(__attribute__((target(TALVER_VECTOR_TARGET))), apply_to = function))
#else
#pragma GCC push_options
TALVER_PRAGMA(GCC target(TALVER_VECTOR_TARGET))
#endif
#endif

#if !defined(TALVER_INLINE)
#if defined(__GNUC__)
#define TALVER_INLINE inline __attribute__((always_inline))
#else
#define TALVER_INLINE inline
#endif
#endif
