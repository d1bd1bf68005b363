// Closes the region VectorTargetBegin.h opened.

#if defined(TALVER_VECTOR_TARGET)
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
