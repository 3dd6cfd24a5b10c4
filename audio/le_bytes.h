#pragma once
// Little-endian stores into byte buffers, for headers built in memory.

#include <cstdint>
#include <cstring>

namespace mora {

inline void PutLE16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutTag(uint8_t* p, const char* fourCharacters) {
    std::memcpy(p, fourCharacters, 4);
}

inline uint32_t GetLE32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace mora
