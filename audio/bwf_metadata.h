#pragma once
// The metadata of a Broadcast Wave publication: the RIFF and "bext" header, the coding history,
// the MPEG format block, the peak envelope ("levl") and the quality report ("qlty"), built from
// the clips before the writer opens. Targets that cannot seek (FTP, e-mail) get every size
// computed ahead.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "audio/mp2_bitrate.h"

namespace mora {

struct BwfClip {
    std::string name;             // its title text, else its file name
    std::vector<uint8_t> levels;  // level bytes of the published range, cut parts left out
    // Markers inside the published range: (position in this clip's published output, the
    // marker's index in the recording).
    std::vector<std::pair<uint32_t, int>> markers;
    int channels = 1;
};

struct RecordingTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
};

struct BwfSource {
    std::vector<BwfClip> clips;
    RecordingTime firstRecording;  // of the first clip
    std::string description;       // empty: an all-zero Description field
    bool mp2Recordings = false;    // the project's recording mode decides the coding history
    bool fastPublish = false;      // MP2 recordings re-encoded in mono
    uint32_t recordingRate = 44100;
    uint32_t mp2BitrateKbps = 64;  // of the published MPEG stream
    uint32_t levelValuesPerSecond = 20;
    std::array<uint8_t, 4> umidCountry{}, umidOrg{}, umidUser{};
    uint16_t tickLow = 0;                    // low bytes of the millisecond tick count
    std::array<uint8_t, 256> levelToPeak{};  // level byte -> peak value (0 … 255)
};

struct BwfMetadata {
    std::array<uint8_t, 622> header{};  // RIFF, "bext" and the fixed bext fields
    std::vector<uint8_t> history;       // coding history with its zero padding (even length)
    std::vector<uint8_t> levl;
    std::vector<uint8_t> qlty;  // the wave checksum (offset 12) is filled at finish
    uint32_t reportChecksum = 0;
    uint32_t totalLevelValues = 0;
    uint32_t levelValuesPerSecond = 20;
    int channels = 1;
    bool stereo() const { return channels == 2; }
};

BwfMetadata BuildBwfMetadata(const BwfSource& source);

// 48 kHz frames a PCM publication of `levelValues` makes, in whole MP2 frames: ceil(S / 1152).
uint32_t FramesForLevelValues(uint32_t levelValues, uint32_t levelValuesPerSecond);

// Sizes computed ahead of writing. `dataBytes` is the audio data size.
uint32_t HistoryEvenLength(const BwfMetadata& m);  // coding-history text length rounded to even
uint64_t RiffSizeMpeg(const BwfMetadata& m, uint64_t dataBytes);
void SetHeaderSizes(BwfMetadata& m, uint32_t riffSize);

// The 88-byte MPEG "fmt ", "fact", "mext" and "data" header block.
std::array<uint8_t, 88> MpegFormatBlock(int channels, const Mp2Bitrate& bitrate, uint32_t frames);
// The PCM "fmt " (48 kHz, 16 bits), "fact" and "data" headers, 44 bytes.
std::array<uint8_t, 44> PcmFormatBlock(int channels, uint32_t factSamples, uint32_t dataBytes);

uint32_t ModifiedJulianDay(int year, int month, int day);
std::array<uint8_t, 64> BuildUmid(const BwfSource& source, bool stereo, uint32_t timeReference);

}  // namespace mora
