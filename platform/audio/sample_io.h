#pragma once
// Where the software devices' samples come from and go to: silence, a test tone, a WAV file
// read from its data chunk, a WAV file written with its header completed on close, or nothing.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/audio/audio_device.h"

namespace mora {

class SampleSource {
  public:
    virtual ~SampleSource() = default;
    // Fills up to n bytes; fewer than asked means the source has ended.
    virtual size_t Read(uint8_t* dst, size_t n) = 0;
};

class SampleSink {
  public:
    virtual ~SampleSink() = default;
    virtual void Write(const uint8_t* src, size_t n) = 0;
    // Completes what was written; false, with the reason, when any of it failed (a full disk).
    virtual bool Finish(std::string& /*error*/) { return true; }
    virtual bool Failed() const { return false; }
};

std::unique_ptr<SampleSource> MakeSilenceSource();
// A sine of `hz` at `amplitude` (0..1 of full scale) on every channel, in the format's width.
std::unique_ptr<SampleSource> MakeToneSource(const PcmFormat& format, double hz, double amplitude);
std::unique_ptr<SampleSink> MakeDiscardSink();

// The samples of a WAV file, which must be in `format`. On failure returns nullptr with the
// reason in `error` and a result code in `code`.
std::unique_ptr<SampleSource> OpenWavSource(const std::string& path, const PcmFormat& format,
                                            int& code, std::string& error);
// A new WAV file in `format` (an existing one is replaced). Its header is completed when the
// sink is destroyed.
std::unique_ptr<SampleSink> CreateWavSink(const std::string& path, const PcmFormat& format,
                                          std::string& error);

// Scales 16- or 24-bit samples in place by an output volume word (left in the low 16 bits,
// right in the high 16 bits; mono follows the left).
void ApplyVolume(uint8_t* data, size_t bytes, const PcmFormat& format, uint32_t volume);

}  // namespace mora
