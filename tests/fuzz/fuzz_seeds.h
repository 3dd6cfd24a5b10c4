#pragma once
// A fuzz target may define MoraFuzzSeeds() to give the standalone driver valid inputs to
// mutate; random bytes alone rarely get past a file's magic.

#include <cstdint>
#include <vector>

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() __attribute__((weak));
