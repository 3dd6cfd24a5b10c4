#pragma once
// Fixtures for the reader tests: recordings made at test time by sox, ffmpeg and twolame,
// raw PCM decoded by those tools, and signal comparison.

#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_reader.h"

namespace mora::test {

// Runs a shell command quietly; true when it exits with 0.
bool Shell(const std::string& command);
// Quotes a path for the shell.
std::string Q(const std::string& path);

// Interleaved 16-bit samples from a raw little-endian file.
std::vector<int16_t> ReadRaw16(const std::string& path);

// Every level unit of a validated reader from unit 0, as the player gets them.
std::vector<int16_t> ReadAllUnits(JStreamAudioReadFile& reader, EngineFormat& format,
                                  uint32_t units);

// One channel of interleaved samples.
std::vector<double> Channel(const std::vector<int16_t>& samples, int channels, int which);

// Normalised correlation of a[i] with b[i + lag] over their overlap, at the lag in
// [-maxLag, maxLag] that matches best; `bestLag` receives that lag.
double BestCorrelation(const std::vector<double>& a, const std::vector<double>& b, int maxLag,
                       int* bestLag = nullptr);

}  // namespace mora::test
