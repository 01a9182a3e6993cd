// Every heap allocation in the benchmark binary is counted, so a benchmark can show that the
// loop it times makes none.
#pragma once

#include <cstdint>

uint64_t allocation_count();
