// The passes for x86-64 processors with AVX2.
#define TALVER_SCAN_KERNELS Avx2ScanKernels
#define TALVER_VECTOR_BYTES 32
#define TALVER_VECTOR_TARGET "avx2,fma,popcnt"
#include "input/ScanKernels-inl.h"
