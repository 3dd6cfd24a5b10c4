#pragma once
// Reproducible test data.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mora::test {

// Bytes that differ from position to position and from `seed` to `seed`.
inline std::vector<uint8_t> TestBytes(size_t size, uint32_t seed = 1) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

}  // namespace mora::test
