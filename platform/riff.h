#pragma once
// RIFF/WAVE files, one way for every reader and writer: little-endian byte helpers, the chunk
// walker that finds the format and the audio, the 44-byte PCM header with its 32-bit size
// clamp, and the size patch a recorder applies while and after it writes.

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

namespace mora {

inline uint16_t GetLE16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLE32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
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
inline bool TagIs(const uint8_t* p, const char* fourCharacters) {
    return std::memcmp(p, fourCharacters, 4) == 0;
}

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatMpeg = 0x50;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// A RIFF file's sizes are 32-bit: no file of ours grows past this many bytes.
constexpr uint64_t kMaxRiffFileBytes = 0xFFFFFFFFull;

// Where the audio of a RIFF/WAVE file lies.
struct RiffLayout {
    bool isRiff = false;     // "RIFF" ... "WAVE"
    bool hasFormat = false;  // a "fmt " chunk of at least 16 bytes before the data
    bool hasData = false;
    uint16_t formatTag = 0;  // an extensible file's sub-format tag
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    uint64_t dataStart = 0;
    // The audio bytes, within the file; whole sample frames for integer PCM.
    uint64_t dataSize = 0;
    // The data size field was 0 or ran past the end of the file (a recorder that was cut off
    // leaves it so); the audio is taken to the end of the file.
    bool dataSizeRepaired = false;

    bool IsIntegerPcm() const { return hasFormat && formatTag == kWaveFormatPcm; }
    // Bytes of one sample frame of integer PCM (samples padded to whole bytes).
    uint32_t FrameBytes() const { return channels * ((bitsPerSample + 7u) / 8u); }
};

// Reads `n` bytes at `offset` into dst and returns how many it got.
using RiffReadAt = std::function<size_t(uint64_t offset, uint8_t* dst, size_t n)>;

// Walks the chunks of a file of `fileSize` bytes up to the data chunk. Only the real file size
// is trusted, never the RIFF size (writers that could not seek leave it wrong).
RiffLayout WalkRiff(const RiffReadAt& read, uint64_t fileSize);
// The same over an open file descriptor.
RiffLayout WalkRiffFile(int fd);

// The 44-byte header of a plain PCM WAV file with `dataBytes` of samples. Sizes past what 32
// bits describe are clamped to the largest whole number of frames that fits.
std::array<uint8_t, 44> PcmWavHeader(uint16_t channels, uint32_t rate, uint16_t bits,
                                     uint64_t dataBytes);

// Writes the RIFF size (at 4) and the data chunk's size (at dataStart - 4) for a file of
// `fileBytes` whose data ends at `dataEnd`, through a handle of its own so that the sizes are
// right even when the writer's handle failed. `sync` also flushes the file to the disk.
// False when the file could not be patched.
bool PatchRiffSizes(const std::string& path, uint64_t fileBytes, uint64_t dataStart,
                    uint64_t dataEnd, bool sync);

}  // namespace mora
