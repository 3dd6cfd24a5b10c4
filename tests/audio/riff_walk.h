#pragma once
// Walks the chunks of a RIFF file and checks that every size field fits the file.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/riff.h"

namespace mora::test {

struct RiffChunk {
    std::string id;
    uint32_t offset = 0;  // of the chunk's data
    uint32_t size = 0;
};

struct RiffWalk {
    bool ok = false;
    std::string problem;
    std::vector<RiffChunk> chunks;
    const RiffChunk* Find(const std::string& id) const {
        for (const auto& c : chunks)
            if (c.id == id) return &c;
        return nullptr;
    }
};

template <typename Bytes>
inline uint32_t Le32(const Bytes& b, size_t at) {
    return GetLE32(&b[at]);
}

inline RiffWalk WalkRiff(const std::vector<uint8_t>& b) {
    RiffWalk w;
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
        w.problem = "no RIFF/WAVE header";
        return w;
    }
    if (Le32(b, 4) != b.size() - 8) {
        w.problem = "RIFF size " + std::to_string(Le32(b, 4)) + " for " + std::to_string(b.size()) +
                    " bytes";
        return w;
    }
    size_t at = 12;
    while (at + 8 <= b.size()) {
        RiffChunk c{
            std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4),
            static_cast<uint32_t>(at + 8), Le32(b, at + 4)};
        if (c.offset + uint64_t{c.size} > b.size()) {
            w.problem = "chunk " + c.id + " runs past the end";
            return w;
        }
        w.chunks.push_back(c);
        at = c.offset + c.size + (c.size & 1);
    }
    w.ok = at == b.size();
    if (!w.ok) w.problem = "bytes left after the last chunk";
    return w;
}

}  // namespace mora::test
