// Stepping through the segments of the current file. Portable: no windows.h here.
#pragma once

#include <cstdint>

// The toolbar steps by one or by ten segments.
constexpr int64_t SMALL_STEP = 1;
constexpr int64_t LARGE_STEP = 10;

// Moves segment_index forward by `by`, then pulls it back into the file.
void step_forward(int64_t by);
// Moves segment_index back by `by`, stopping at segment 0.
void step_back(int64_t by);
