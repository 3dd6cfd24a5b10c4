#pragma once
// Plain PCM WAV files as the file device reads and writes them: a RIFF header walk that finds
// the format and the data chunk, and a 44-byte header for writing.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"

namespace mora {

struct WavLayout {
    PcmFormat format;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;  // whole sample frames only, within the file
};

// Reads `n` bytes at `offset` into dst and returns how many it got.
using WavReadAt = std::function<size_t(uint64_t offset, uint8_t* dst, size_t n)>;

// Walks the chunks of a file of `fileSize` bytes. Accepts 16- and 24-bit integer PCM (plain or
// extensible format tag) with 1 to 8 channels; a data chunk whose size runs past the end of the
// file (as a recorder that was cut off leaves it) ends at the end of the file. On failure
// `error` says why.
bool ParseWav(const WavReadAt& read, uint64_t fileSize, WavLayout& layout, std::string& error);

// The 44-byte header of a plain PCM WAV file with `dataBytes` of samples.
std::vector<uint8_t> WavHeader(const PcmFormat& format, uint32_t dataBytes);

}  // namespace mora
