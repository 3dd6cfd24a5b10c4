#pragma once
// Helpers for the audio device tests: a set of buffers that records what comes back, and
// 16-bit samples in and out of WAV files.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"

namespace mora::test {

// `count` buffers of `bytes` each, with their index as the user word; every return is logged.
struct BufferSet {
    BufferSet(int count, uint32_t bytes);
    std::vector<std::vector<uint8_t>> memory;
    std::vector<AudioBuffer> buffers;
    std::vector<int> returned;       // user words in the order they came back
    std::vector<uint32_t> recorded;  // bytesRecorded of each return
    std::vector<uint8_t> collected;  // input: the samples of every return, in order

    BufferDone Callback();
    int PrepareAll(AudioDevice& device);
};

std::vector<int16_t> Sine(uint32_t rate, uint16_t channels, double hz, double amplitude,
                          uint32_t frames);
void WriteWav16(const std::string& path, uint32_t rate, uint16_t channels,
                const std::vector<int16_t>& samples);
std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes);
// Frequency from rising zero crossings of one channel, and the peak magnitude of all samples.
double ZeroCrossingHz(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate);
int PeakOf(const std::vector<int16_t>& samples);

}  // namespace mora::test
