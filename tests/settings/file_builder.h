#pragma once
// Builds binary settings files byte by byte, independently of the code under test.

#include <cstdint>
#include <string>
#include <vector>

namespace mora::test {

struct FileBuilder {
    std::vector<uint8_t> bytes;

    FileBuilder& Raw(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    FileBuilder& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    FileBuilder& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    FileBuilder& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    // ASCII only: a count, the characters as UTF-16LE and a terminating 0 unit.
    FileBuilder& Str(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        if (s.empty()) return *this;
        for (char c : s) U16(static_cast<uint8_t>(c));
        return U16(0);
    }
    FileBuilder& Zeros(size_t n) {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
};

}  // namespace mora::test
