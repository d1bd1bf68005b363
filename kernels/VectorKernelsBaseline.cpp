// The kernels every processor of the architecture runs.
#define TALVER_KERNELS BaselineKernels
#define TALVER_VECTOR_BYTES 16
#include "kernels/VectorKernels-inl.h"
