#include "audio/input_processing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "platform/trace.h"

namespace mora {
namespace {

// Far above any useful gain (+96 dB), low enough that multiplier x sample fits in 64 bits.
constexpr uint32_t kMaxMultiplier = 1u << 24;

int32_t Saturate32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t ToQ28(double value) {
    double scaled = std::trunc(value * kQ28One);
    if (std::isnan(scaled)) return 0;
    return static_cast<int32_t>(std::clamp(scaled, -2147483648.0, 2147483647.0));
}

// trunc(c * w / 2^28). The integer product is exact; it equals the floating-point product
// truncated toward zero wherever that one is exact, and is cheaper per sample.
inline int64_t MulQ28(int32_t c, int32_t w) {
    return static_cast<int64_t>(c) * w / kQ28One;
}

inline int16_t Clip(int64_t y) {
    return static_cast<int16_t>(std::clamp<int64_t>(y, -32767, 32767));
}

// One channel's filter state, held in locals while a buffer is processed: the samples are
// written through a byte pointer, which the compiler must otherwise assume may change it.
struct ChannelState {
    int32_t dc;
    std::array<std::array<int32_t, 2>, kEqBandCount> w;
};

inline int32_t RunSection(const EqSection& section, std::array<int32_t, 2>& w, int32_t v) {
    const auto& c = section.c;
    const int32_t x =
        Saturate32(v + MulQ28(c[EqSection::NegB1], w[0]) + MulQ28(c[EqSection::NegB2], w[1]));
    v = Saturate32(MulQ28(c[EqSection::A0], x) + MulQ28(c[EqSection::A1], w[0]) +
                   MulQ28(c[EqSection::A2], w[1]));
    w[1] = w[0];
    w[0] = x;
    return v;
}

// The three sections written out, so that their coefficients and state stay in registers.
inline int32_t RunSections(const std::array<EqSection, kEqBandCount>& sections, ChannelState& st,
                           int32_t v) {
    static_assert(kEqBandCount == 3);
    v = RunSection(sections[0], st.w[0], v);
    v = RunSection(sections[1], st.w[1], v);
    return RunSection(sections[2], st.w[2], v);
}

// DC removal, equaliser and gain for one sample at p (16-bit little-endian), in place.
inline void ProcessSample(const std::array<EqSection, kEqBandCount>& sections, bool eqOn,
                          int64_t multiplier, ChannelState& st, uint8_t* p) {
    const int32_t x = static_cast<int16_t>(p[0] | (p[1] << 8));
    const int32_t d = x - (st.dc >> 10);
    st.dc += d;
    const int64_t y =
        eqOn ? (multiplier * RunSections(sections, st, d * 4)) >> 10 : (multiplier * d) >> 8;
    const uint16_t out = static_cast<uint16_t>(Clip(y));
    p[0] = static_cast<uint8_t>(out & 0xff);
    p[1] = static_cast<uint8_t>(out >> 8);
}

}  // namespace

uint32_t GainMultiplier(int gainDb) {
    double m = std::trunc(std::pow(10.0, gainDb / 20.0) * 256.0);
    return static_cast<uint32_t>(std::clamp(m, 0.0, static_cast<double>(kMaxMultiplier)));
}

void ComputeSection(InputDsp& dsp, const Settings& settings, uint32_t recordGain, int band) {
    dsp.eqOn = settings.EqOn != 0;
    int gain = static_cast<int>(std::min(recordGain, kMaxRecordGain));
    if (dsp.eqOn) gain += settings.EqOverallGain;
    dsp.multiplier = GainMultiplier(gain);
    if (!dsp.eqOn || band < 0 || band >= kEqBandCount) return;

    EqSection& section = dsp.sections[band];
    section = EqSection{};
    const EqBand& b = settings.EqBands[band];
    const double fs = dsp.sampleRate;
    if (!b.Enabled || b.Frequency == 0 || b.Q == 0 || 2.0 * b.Frequency >= fs) return;

    const double K = std::tan(std::numbers::pi * b.Frequency / fs);
    const double G = b.Gain / 10.0;
    const double V = std::pow(10.0, G / 20.0);
    const double Q = b.Q / 10.0;
    const double alpha = G >= 0 ? K / Q : K / (V * Q);
    const double n = 1.0 / (1.0 + alpha + K * K);
    const double a0 = 1.0 + (V - 1.0) * alpha * n;
    const double a1 = 2.0 * (K * K - 1.0) * n;
    const double a2 = (1.0 + K * K - alpha) * n - (V - 1.0) * alpha * n;
    const double b1 = 2.0 * (K * K - 1.0) * n;
    const double b2 = (1.0 + K * K - alpha) * n;
    Trace("a0=%f,a1=%f,a2=%f,b1=%f,b2=%f", a0, a1, a2, b1, b2);
    section.c[EqSection::A2] = ToQ28(a2);
    section.c[EqSection::NegB1] = ToQ28(-b1);
    section.c[EqSection::NegB2] = ToQ28(-b2);
    section.c[EqSection::A1] = ToQ28(a1);
    section.c[EqSection::A0] = ToQ28(a0);
}

void ComputeAllSections(InputDsp& dsp, const Settings& settings, uint32_t recordGain) {
    for (int band = 0; band < kEqBandCount; ++band) ComputeSection(dsp, settings, recordGain, band);
}

void ResetInputState(InputDsp& dsp) {
    dsp.dc = {};
    dsp.w = {};
}

void ProcessInputBuffer(InputDsp& dsp, uint8_t* data, uint32_t length) {
    const bool stereo = dsp.channels == 2;
    const uint32_t count = length / 2;
    const int64_t multiplier = dsp.multiplier;
    const bool eqOn = dsp.eqOn;
    const std::array<EqSection, kEqBandCount> sections = dsp.sections;
    ChannelState left{dsp.dc[0], dsp.w[0]};
    ChannelState right{dsp.dc[1], dsp.w[1]};
    uint32_t i = 0;
    if (stereo) {
        for (; i + 1 < count; i += 2) {
            ProcessSample(sections, eqOn, multiplier, left, data + 2 * i);
            ProcessSample(sections, eqOn, multiplier, right, data + 2 * i + 2);
        }
    }
    // Mono, or a stereo buffer's odd last sample, which is a left one.
    for (; i < count; ++i) ProcessSample(sections, eqOn, multiplier, left, data + 2 * i);
    dsp.dc = {left.dc, right.dc};
    dsp.w = {left.w, right.w};
}

void EqualiseBuffer(InputDsp& dsp, uint8_t* data, uint32_t length) {
    if (!dsp.eqOn) return;
    const bool stereo = dsp.channels == 2;
    const int64_t multiplier = dsp.multiplier;
    std::array<ChannelState, 2> state{ChannelState{dsp.dc[0], dsp.w[0]},
                                      ChannelState{dsp.dc[1], dsp.w[1]}};
    for (uint32_t i = 0; i < length / 2; ++i) {
        uint8_t* p = data + 2 * i;
        const int32_t x = static_cast<int16_t>(p[0] | (p[1] << 8));
        ChannelState& st = state[stereo ? (i & 1) : 0];
        const int64_t y = (multiplier * RunSections(dsp.sections, st, x * 4)) >> 10;
        const uint16_t out = static_cast<uint16_t>(Clip(y));
        p[0] = static_cast<uint8_t>(out & 0xff);
        p[1] = static_cast<uint8_t>(out >> 8);
    }
    dsp.w = {state[0].w, state[1].w};
}

void GainStep(InputDsp& dsp, const Settings& settings, uint32_t& recordGain, int delta) {
    int64_t gain = std::clamp<int64_t>(static_cast<int64_t>(recordGain) + delta, 0, kMaxRecordGain);
    recordGain = static_cast<uint32_t>(gain);
    int g = static_cast<int>(gain);
    if (settings.EqOn) g += settings.EqOverallGain;
    dsp.multiplier = GainMultiplier(g);
}

}  // namespace mora
