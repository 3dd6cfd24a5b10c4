#include "tests/platform/audio/audio_test_util.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/audio/wav_io.h"
#include "tests/support/temp_dir.h"

namespace mora::test {

BufferSet::BufferSet(int count, uint32_t bytes)
    : memory(count, std::vector<uint8_t>(bytes)), buffers(count) {
    for (int i = 0; i < count; ++i)
        buffers[i] = AudioBuffer{memory[i].data(), bytes, 0, static_cast<uintptr_t>(i), 0};
}

BufferDone BufferSet::Callback() {
    return [this](AudioBuffer& b) {
        returned.push_back(static_cast<int>(b.user));
        recorded.push_back(b.bytesRecorded);
        collected.insert(collected.end(), b.data, b.data + b.bytesRecorded);
    };
}

int BufferSet::PrepareAll(AudioDevice& device) {
    for (auto& b : buffers)
        if (int rc = device.Prepare(b)) return rc;
    return kAudioOk;
}

std::vector<int16_t> Sine(uint32_t rate, uint16_t channels, double hz, double amplitude,
                          uint32_t frames) {
    std::vector<int16_t> out;
    out.reserve(size_t{frames} * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(
            std::lround(32767 * amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
        for (uint16_t c = 0; c < channels; ++c) out.push_back(v);
    }
    return out;
}

void WriteWav16(const std::string& path, uint32_t rate, uint16_t channels,
                const std::vector<int16_t>& samples) {
    PcmFormat f{rate, channels, 16};
    auto bytes = WavHeader(f, static_cast<uint32_t>(samples.size() * 2));
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s));
        bytes.push_back(static_cast<uint8_t>(s >> 8));
    }
    WriteFileBytes(path, bytes);
}

std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return out;
}

double ZeroCrossingHz(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    long first = -1, last = -1, crossings = 0;
    const long frames = static_cast<long>(samples.size() / channels);
    for (long i = 1; i < frames; ++i) {
        if (samples[(i - 1) * channels] < 0 && samples[i * channels] >= 0) {
            if (first < 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(rate) / (last - first);
}

int PeakOf(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

}  // namespace mora::test
