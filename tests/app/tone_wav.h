#pragma once
// A mono 44.1 kHz sine tone as a WAV file: the file input the program's tests record from and
// play.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/wav_io.h"
#include "tests/support/temp_dir.h"

namespace mora::test {

inline void WriteToneWav(const std::string& path, uint32_t seconds, double hz, double amplitude) {
    const uint32_t frames = seconds * 44100;
    std::vector<uint8_t> bytes = WavHeader(PcmFormat{44100, 1, 16}, uint64_t{frames} * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(amplitude * std::sin(2 * M_PI * hz * i / 44100.0));
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    WriteFileBytes(path, bytes);
}

}  // namespace mora::test
