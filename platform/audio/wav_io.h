#pragma once
// Plain PCM WAV files as the file device reads and writes them.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"
#include "platform/riff.h"

namespace mora {

struct WavLayout {
    PcmFormat format;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;  // whole sample frames only, within the file
};

// Accepts what the chunk walker finds when it is 16- or 24-bit integer PCM (plain or
// extensible format tag) with 1 to 8 channels. On failure `error` says why.
bool ParseWav(const RiffReadAt& read, uint64_t fileSize, WavLayout& layout, std::string& error);
bool ParseWavFile(int fd, WavLayout& layout, std::string& error);

// The 44-byte header of a plain PCM WAV file with `dataBytes` of samples (clamped).
inline std::vector<uint8_t> WavHeader(const PcmFormat& format, uint64_t dataBytes) {
    const auto h = PcmWavHeader(format.channels, format.rate, format.bits, dataBytes);
    return {h.begin(), h.end()};
}

}  // namespace mora
