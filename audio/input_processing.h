#pragma once
// The recorder's input processing, run in place on every 16-bit input buffer: DC removal, the
// optional three-band peaking equaliser (fixed point, Q28 coefficients) and the input gain with
// clipping. All state lives in one plain struct, so a test or a tool can build a fresh one.

#include <array>
#include <cstdint>

#include "settings/settings.h"

namespace mora {

inline constexpr int32_t kQ28One = 268435456;
inline constexpr uint32_t kMaxRecordGain = 40;

// One section's coefficients in Q28, in the order the filter uses them.
struct EqSection {
    enum Index { A2 = 0, NegB1 = 1, NegB2 = 2, A1 = 3, A0 = 4 };
    std::array<int32_t, 5> c{0, 0, 0, 0, kQ28One};
};

struct InputDsp {
    uint32_t sampleRate = 44100;
    int channels = 1;  // 1 or 2, interleaved left, right
    bool eqOn = false;
    uint32_t multiplier = 256;                       // Q8
    std::array<EqSection, kEqBandCount> sections{};  // High, Mid, Low
    // Per channel: the DC accumulator and each section's w1, w2.
    std::array<int32_t, 2> dc{};
    std::array<std::array<std::array<int32_t, 2>, kEqBandCount>, 2> w{};
};

// Gain multiplier for a whole-dB gain: trunc(10^(dB / 20) * 256), kept within a range whose
// products cannot overflow.
uint32_t GainMultiplier(int gainDb);

// Recomputes the multiplier from the input gain (plus the make-up gain when the equaliser is
// on) and, when the equaliser is on, the coefficients of `band` from the working EQ values in
// `settings` and the sample rate. A disabled band, and a band whose frequency or Q cannot form
// a stable filter (0 Hz, at or above half the sample rate, Q 0), passes the signal unchanged.
void ComputeSection(InputDsp& dsp, const Settings& settings, uint32_t recordGain, int band);
void ComputeAllSections(InputDsp& dsp, const Settings& settings, uint32_t recordGain);

// Zeroes the DC accumulators and the section state, as when the input starts.
void ResetInputState(InputDsp& dsp);

// DC removal, equaliser and gain over `length` bytes of interleaved 16-bit little-endian
// samples, in place. A trailing odd byte is left alone.
void ProcessInputBuffer(InputDsp& dsp, uint8_t* data, uint32_t length);

// The setup program's equaliser over 16-bit samples, in place: the three sections and the
// make-up gain as above, without DC removal. With the equaliser off the samples pass unchanged.
void EqualiseBuffer(InputDsp& dsp, uint8_t* data, uint32_t length);

// Changes the input gain by `delta` dB within 0..40 and recomputes the multiplier.
void GainStep(InputDsp& dsp, const Settings& settings, uint32_t& recordGain, int delta);

}  // namespace mora
