// The kernels for x86-64 processors with AVX2 and FMA; multiply and add
// stay apart all the same.
#define TALVER_KERNELS Avx2Kernels
#define TALVER_VECTOR_BYTES 32
#define TALVER_VECTOR_TARGET "avx2,fma,popcnt"
#include "kernels/VectorKernels-inl.h"
