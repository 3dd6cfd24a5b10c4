#include "platform/audio/wav_io.h"

#include <cstring>

namespace mora {
namespace {

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

bool ParseFmt(const uint8_t* p, uint32_t size, PcmFormat& format, std::string& error) {
    if (size < 16) {
        error = "the format chunk is too short";
        return false;
    }
    uint16_t tag = Le16(p);
    if (tag == 0xFFFE) {
        // Extensible: the sub-format GUID begins with the plain tag.
        if (size < 40) {
            error = "the extensible format chunk is too short";
            return false;
        }
        tag = Le16(p + 24);
    }
    if (tag != 1) {
        error = "not integer PCM";
        return false;
    }
    format.channels = Le16(p + 2);
    format.rate = Le32(p + 4);
    format.bits = Le16(p + 14);
    if (!format.Valid()) {
        error = "unsupported PCM format (" + std::to_string(format.channels) + " channels, " +
                std::to_string(format.rate) + " Hz, " + std::to_string(format.bits) + " bits)";
        return false;
    }
    return true;
}

}  // namespace

bool ParseWav(const WavReadAt& read, uint64_t fileSize, WavLayout& layout, std::string& error) {
    uint8_t head[12];
    if (fileSize < 12 || read(0, head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false;
    uint64_t pos = 12;
    while (pos + 8 <= fileSize) {
        uint8_t chunk[8];
        if (read(pos, chunk, 8) != 8) break;
        const uint32_t size = Le32(chunk + 4);
        const uint64_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t fmt[40] = {};
            const size_t want = size < sizeof fmt ? size : sizeof fmt;
            if (body + want > fileSize || read(body, fmt, want) != want) {
                error = "the format chunk is cut off";
                return false;
            }
            if (!ParseFmt(fmt, size, layout.format, error)) return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                error = "the data chunk comes before the format chunk";
                return false;
            }
            uint64_t bytes = size;
            if (body + bytes > fileSize) bytes = fileSize - body;
            layout.dataOffset = body;
            layout.dataBytes = bytes - bytes % layout.format.BlockAlign();
            return true;
        }
        pos = body + size + (size & 1);
    }
    error = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

std::vector<uint8_t> WavHeader(const PcmFormat& format, uint32_t dataBytes) {
    std::vector<uint8_t> out;
    out.reserve(44);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put32(out, dataBytes <= 0xFFFFFFFFu - 36 ? dataBytes + 36 : 0xFFFFFFFFu);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, format.channels);
    Put32(out, format.rate);
    Put32(out, format.BytesPerSecond());
    Put16(out, static_cast<uint16_t>(format.BlockAlign()));
    Put16(out, format.bits);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, dataBytes);
    return out;
}

}  // namespace mora
