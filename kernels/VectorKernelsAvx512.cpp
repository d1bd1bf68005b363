// The kernels for x86-64 processors with AVX-512.
#define TALVER_KERNELS Avx512Kernels
#define TALVER_VECTOR_BYTES 64
#define TALVER_VECTOR_TARGET "avx512f,avx2,fma,popcnt"
#include "kernels/VectorKernels-inl.h"
