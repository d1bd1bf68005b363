#pragma once

#include <cstddef>

// e^x to within one unit in the last place, with the same bits on every
// processor and every vector path: neither the C library's exp (whose
// builds with and without fused multiply-add differ in the last bit) nor a
// vectorised one of its own per path.
double Exp(double x);

// values[k] = Exp(values[k]) for k below count, at the active vector
// path's width.
void Exponentials(double* values, std::size_t count);
