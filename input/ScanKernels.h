#pragma once

#include <cstddef>

#include "kernels/VectorPath.h"

struct NumberScan;
struct SubjectScan;

// The score counter's passes over one piece of a part of a file (see
// ScoreScan.h), built for each vector path: blocks of single digits between
// white space taken at once where the path has the width for them.
struct ScanKernels {
    void (*scanNumbers)(const unsigned char* piece, std::size_t size, NumberScan& scan);
    void (*scanSubjects)(const unsigned char* piece, std::size_t size, SubjectScan& scan);
};

// The passes of one available path, and of the path the runs take.
const ScanKernels& ScanKernelsOf(VectorPath path);
const ScanKernels& ActiveScanKernels();
