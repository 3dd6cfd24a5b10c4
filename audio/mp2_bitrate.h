#pragma once
// MPEG-1 Layer II bitrates at 48 kHz: the index stored in the settings picks one of twelve
// rates; a frame of 1152 samples then has a fixed length (no padding at 48 kHz).

#include <array>
#include <cstdint>
#include <string>

namespace mora {

constexpr std::array<uint32_t, 12> kMp2BitratesKbps = {32,  48,  56,  64,  80,  96,
                                                       112, 128, 160, 192, 224, 256};
constexpr uint32_t kMp2SampleRate = 48000;
constexpr uint32_t kMp2FrameSamples = 1152;

struct Mp2Bitrate {
    int index = 3;
    uint32_t bitsPerSecond = 64000;
    uint32_t frameLength = 192;        // bytes: bitrate × 3 / 1000
    uint32_t bytesPerLevelUnit = 400;  // bitrate / (8 × level values per second)
};

// The state for `index` at `levelValuesPerSecond` (5 × 2^shift); nothing for an index the
// table does not hold.
bool MakeMp2Bitrate(int index, uint32_t levelValuesPerSecond, Mp2Bitrate& out);

// Sets `state` from `index`; an index above 11 shows "Illegal bitrate" and changes nothing.
bool SetBitrate(Mp2Bitrate& state, int index, uint32_t levelValuesPerSecond = 20);

// MPEG-1 Layer II has no stereo below 64 kbit/s nor at 80, and no mono above 192 kbit/s.
bool Mp2ModeAllows(int index, bool stereo);
// The text the error box shows when a writer is asked for a pair the encoder refuses.
std::string IllegalBitrateText(int index, bool stereo);
// What a project records when its pair is refused: the nearest rate the mode allows, upwards
// for stereo (64 or 96 kbit/s, never less sound than asked for) and 192 kbit/s for mono.
int RecordableMp2BitrateIndex(int index, bool stereo);

}  // namespace mora
