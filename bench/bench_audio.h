#pragma once
// Test audio the benchmarks share: speech-like signal and a 16-bit WAV file of it.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "platform/riff.h"

namespace mora::bench {

// Speech-like audio: two tones with a slow amplitude swing and some noise.
inline std::vector<int16_t> TestAudio(uint32_t rate, uint32_t seconds, int channels) {
    std::vector<int16_t> pcm(size_t{rate} * seconds * static_cast<size_t>(channels));
    uint32_t noise = 1;
    for (size_t i = 0; i < pcm.size(); ++i) {
        const double t = static_cast<double>(i / static_cast<size_t>(channels)) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double v = (0.5 + 0.5 * std::sin(2 * std::numbers::pi * 0.7 * t)) *
                             (6000 * std::sin(2 * std::numbers::pi * 220 * t) +
                              3000 * std::sin(2 * std::numbers::pi * 1330 * t)) +
                         static_cast<int>(noise >> 20) - 2048;
        pcm[i] = static_cast<int16_t>(v);
    }
    return pcm;
}

inline void WriteWav(const std::string& path, const std::vector<int16_t>& pcm, int channels,
                     uint32_t rate) {
    const auto header = PcmWavHeader(static_cast<uint16_t>(channels), rate, 16, pcm.size() * 2);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(header.data(), 1, header.size(), f);
    std::fwrite(pcm.data(), 2, pcm.size(), f);
    std::fclose(f);
}

}  // namespace mora::bench
