#pragma once
// Conversion of 44.1 kHz (or a measured rate near it) to 48 kHz for the MP2 encoder: a 16-tap
// polyphase windowed-sinc interpolator with 480 phases in Q15 integer arithmetic, so the
// recorder can run it in the buffer-done handler without floating point.

#include <array>
#include <cstdint>
#include <vector>

namespace mora {

constexpr int kResamplerTaps = 16;
constexpr int kResamplerPhases = 480;

// coefficient[p][t] for phase p = 0 … 480 and tap t. Phase p interpolates at the point
// (480 − p) / 480 of the way from input tap 7 to tap 8: phase 480 is the unit impulse at tap 7,
// phase 0 the one at tap 8, phase 240 the symmetric half-sample point. Each phase's taps sum to
// 32767 within a few units. Every tap fits 16 bits, so a tap times a sample is a 16 x 16-bit
// multiply the compiler vectorises.
using ResamplerTable = std::array<std::array<int16_t, kResamplerTaps>, kResamplerPhases + 1>;
const ResamplerTable& ResamplerCoefficients();

class Resampler {
  public:
    // Starts again at phase 0 for input at `inputRate` Hz (44100 or the measured rate).
    void Reset(uint32_t inputRate);
    // Makes `outSamples` 48 kHz samples per channel from interleaved 16-bit frames (1 or 2
    // channels) into the planes; returns how many input frames it consumed. The input must hold
    // at least consumed + 15 frames; frames past `inFrames` count as silence.
    uint32_t Run(const int16_t* in, uint32_t inFrames, int channels, int16_t* left, int16_t* right,
                 uint32_t outSamples);
    uint32_t Phase() const { return acc_; }
    uint32_t InputRate() const { return rate_; }

  private:
    uint32_t rate_ = 44100;
    uint32_t acc_ = 0;  // 0 ≤ acc < 48000
    // One channel of the input, followed by the silence the last taps reach into.
    std::vector<int16_t> plane_;
};

}  // namespace mora
