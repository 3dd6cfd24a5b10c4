#pragma once

#include <array>
#include <cstdint>

namespace mora {

// Level bytes count down from full scale: 0 is 0 dBFS, 30 is -10 dB, 60 is -30 dB and 79 is
// -49 dB or quieter. The level array marks "no value yet" with 80, outside that range.
inline constexpr uint8_t kLevelSilent = 79;
inline constexpr uint8_t kLevelEmpty = 80;

struct LevelTables {
    // Peak index (peak sample >> 6) to level byte.
    std::array<uint8_t, 512> forward{};
    // Level byte to a peak value 0-255 (the largest peak index of that level, halved); levels
    // the forward table never produces map to 0.
    std::array<uint16_t, 80> reverse{};
};

LevelTables BuildLevelTables();

// Level byte of a buffer of interleaved samples: 16-bit (largest absolute sample) or 24-bit
// card samples (largest upper 16 bits, read signed; negatives do not raise it). A trailing
// partial sample is ignored.
uint8_t BufferLevel(const LevelTables& tables, const uint8_t* data, uint32_t length,
                    int bitsPerSample);

// Peak value for a level byte; bytes outside the table (the empty marker) give 0.
uint16_t ReversePeak(const LevelTables& tables, uint8_t level);

}  // namespace mora
