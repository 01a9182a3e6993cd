// The line kernels chosen for this run, put back however a test that tries others ends.
// Portable: no windows.h here.
#pragma once

#include "export/line_kernel.h"

struct KernelChoice {
    LineKernels chosen = line_kernels;
    KernelChoice() = default;
    KernelChoice(const KernelChoice &) = delete;
    KernelChoice &operator=(const KernelChoice &) = delete;
    ~KernelChoice() { line_kernels = chosen; }
};
