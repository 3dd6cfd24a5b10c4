#pragma once
// The equaliser preset file: 30 bytes, no header, three band records in the order High, Mid,
// Low, each a u16 frequency in Hz, an i16 gain in tenths of a dB, a u16 Q in tenths and a u32
// enabled flag, little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace mora {

inline constexpr size_t kEqPresetBytes = 30;

std::array<uint8_t, kEqPresetBytes> EncodeEqPreset(const EqBandSet& bands);
// False (bands untouched) unless `size` is exactly one preset.
bool DecodeEqPreset(const uint8_t* data, size_t size, EqBandSet& bands);

// Writes the preset file; false with the reason in `error`.
bool SaveEqPresetFile(const std::string& path, const EqBandSet& bands, std::string& error);
// Reads a preset file; a file of any other size is refused (bands untouched), so that choosing
// a wrong file cannot load nonsense into the equaliser.
bool LoadEqPresetFile(const std::string& path, EqBandSet& bands, std::string& error);

// The profile name a preset file gives: its name without folder and extension.
std::string EqPresetName(const std::string& path);

}  // namespace mora
