#include "audio/input_processing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "audio/input_eq_fast.h"
#include "platform/trace.h"

namespace mora {
namespace {

using namespace eq_fast;

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

inline int32_t RunSections(const std::array<EqSection, kEqBandCount>& sections, ChannelState& st,
                           int32_t v) {
    for (int band = 0; band < kEqBandCount; ++band) v = RunSection(sections[band], st.w[band], v);
    return v;
}

// Samples [from, to) one at a time, every value saturated: exact for any coefficients and state.
// In stereo the even samples are left ones.
template <bool RemoveDc>
void ProcessExact(const InputDsp& dsp, std::array<ChannelState, 2>& state, uint8_t* data,
                  uint32_t from, uint32_t to) {
    const bool stereo = dsp.channels == 2;
    const int64_t multiplier = dsp.multiplier;
    for (uint32_t i = from; i < to; ++i) {
        uint8_t* p = data + 2 * i;
        ChannelState& st = state[stereo ? (i & 1) : 0];
        int32_t d = static_cast<int16_t>(ReadSample(p));
        if (RemoveDc) {
            d -= st.dc >> 10;
            st.dc += d;
        }
        const int64_t y = dsp.eqOn ? (multiplier * RunSections(dsp.sections, st, d * 4)) >> 10
                                   : (multiplier * d) >> 8;
        WriteSample(p, Clip(y));
    }
}

bool IsPassThrough(const EqSection& section) {
    return section.c == EqSection{}.c;
}

// False when some section's a1 is not -(-b1), which the fast path relies on.
bool MakeFastPlan(const InputDsp& dsp, FastPlan& plan) {
    int64_t sumA = 0, sumNegB = 0;
    for (int band = 0; band < kEqBandCount; ++band) {
        const auto& c = dsp.sections[band].c;
        if (IsPassThrough(dsp.sections[band])) continue;
        if (int64_t{c[EqSection::A1]} != -int64_t{c[EqSection::NegB1]}) return false;
        plan.sections[plan.count] = {c[EqSection::NegB1], c[EqSection::NegB2], c[EqSection::A0],
                                     c[EqSection::A2]};
        plan.bands[plan.count++] = band;
        sumA = std::max(sumA, std::abs(int64_t{c[EqSection::A0]}) +
                                  std::abs(int64_t{c[EqSection::A1]}) +
                                  std::abs(int64_t{c[EqSection::A2]}));
        sumNegB = std::max(sumNegB, std::abs(int64_t{c[EqSection::NegB1]}) +
                                        std::abs(int64_t{c[EqSection::NegB2]}));
    }
    // |trunc(a0 w / 2^28) + trunc(a1 w1 / 2^28) + trunc(a2 w2 / 2^28)| <= sumA * 2^(bits - 28).
    const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} << 28;
    plan.boundBits = 30;
    while (plan.boundBits > 0 && (sumA << plan.boundBits) > limit) --plan.boundBits;
    // A section's input is the DC-free sample times 4 (below 2^24) or the previous output.
    for (int bits = plan.boundBits; bits >= 0 && plan.laneBoundBits < 0; --bits) {
        const uint64_t in = std::max(uint64_t{1} << 52, static_cast<uint64_t>(sumA) << bits);
        if (in + (static_cast<uint64_t>(sumNegB) << bits) <= static_cast<uint64_t>(limit))
            plan.laneBoundBits = bits;
    }
    return true;
}

// `frames` frames of `Channels` samples, in place. False (and the samples partly changed) when
// a value left the bound; `st` is then to be discarded.
template <int N, int Channels, bool RemoveDc>
bool FastChunk(const FastPlan& plan, int64_t multiplier, std::array<FastState, 2>& st,
               uint8_t* data, uint32_t frames) {
    const uint64_t offset = uint64_t{1} << plan.boundBits;
    uint64_t seen = 0;  // every w + 2^boundBits, or-ed: below 2^(boundBits + 1) while in range
    for (int ch = 0; ch < Channels; ++ch)
        for (int k = 0; k < N; ++k) seen |= (st[ch].w[k][0] + offset) | (st[ch].w[k][1] + offset);
    std::array<FastState, Channels> s;
    for (int ch = 0; ch < Channels; ++ch) s[ch] = st[ch];
    for (uint32_t f = 0; f < frames; ++f) {
#pragma GCC unroll 2
        for (int ch = 0; ch < Channels; ++ch) {
            uint8_t* p = data + 2 * (f * Channels + ch);
            int32_t d = static_cast<int16_t>(ReadSample(p));
            if (RemoveDc) {
                d -= s[ch].dc >> 10;
                s[ch].dc += d;
            }
            int64_t v = d * 4;
#pragma GCC unroll 3
            for (int k = 0; k < N; ++k) {
                const FastSection& c = plan.sections[k];
                auto& w = s[ch].w[k];
                const int64_t p1 = Mul(c.negB1, w[0]) / kQ28One;
                const int64_t x = Add(Add(v, p1), Mul(c.negB2, w[1]) / kQ28One);
                seen |= static_cast<uint64_t>(x) + offset;
                v = Add(Add(Mul(c.a0, x) / kQ28One, -p1), Mul(c.a2, w[1]) / kQ28One);
                w[1] = w[0];
                w[0] = x;
            }
            WriteSample(p, Clip(Mul(multiplier, v) >> 10));
        }
    }
    for (int ch = 0; ch < Channels; ++ch) st[ch] = s[ch];
    return (seen >> (plan.boundBits + 1)) == 0;
}

template <int N, int Channels, bool RemoveDc>
uint32_t FastFrames(const FastPlan& plan, int64_t multiplier, std::array<FastState, 2>& st,
                    uint8_t* data, uint32_t frames) {
    const Chunk first = plan.laneBoundBits >= 0 ? SimdChunk(Channels, N, RemoveDc) : nullptr;
    std::array<uint8_t, kChunkFrames<Channels> * Channels * 2> saved;
    uint32_t done = 0;
    while (done < frames) {
        const uint32_t n = std::min(frames - done, kChunkFrames<Channels>);
        uint8_t* chunk = data + 2 * Channels * done;
        const size_t bytes = 2 * Channels * n;
        std::copy_n(chunk, bytes, saved.begin());
        std::array<FastState, 2> trial = st;
        // The SIMD path's tighter bound may fail where the plain fast one holds.
        if (!first || !first(plan, multiplier, trial, chunk, n)) {
            if (first) {
                std::copy_n(saved.begin(), bytes, chunk);
                trial = st;
            }
            if (!FastChunk<N, Channels, RemoveDc>(plan, multiplier, trial, chunk, n)) {
                std::copy_n(saved.begin(), bytes, chunk);
                break;
            }
        }
        st = trial;
        done += n;
    }
    return done;
}

template <int Channels, bool RemoveDc>
uint32_t FastFramesFor(const FastPlan& plan, int64_t multiplier, std::array<FastState, 2>& st,
                       uint8_t* data, uint32_t frames) {
    switch (plan.count) {
        case 0:
            return FastFrames<0, Channels, RemoveDc>(plan, multiplier, st, data, frames);
        case 1:
            return FastFrames<1, Channels, RemoveDc>(plan, multiplier, st, data, frames);
        case 2:
            return FastFrames<2, Channels, RemoveDc>(plan, multiplier, st, data, frames);
        default:
            return FastFrames<3, Channels, RemoveDc>(plan, multiplier, st, data, frames);
    }
}

// DC removal and gain without the equaliser, over whole frames.
template <int Channels>
void RemoveDcWithGain(std::array<ChannelState, 2>& state, int64_t multiplier, uint8_t* data,
                      uint32_t frames) {
    std::array<int32_t, Channels> dc;
    for (int ch = 0; ch < Channels; ++ch) dc[ch] = state[ch].dc;
    for (uint32_t f = 0; f < frames; ++f) {
#pragma GCC unroll 2
        for (int ch = 0; ch < Channels; ++ch) {
            uint8_t* p = data + 2 * (f * Channels + ch);
            const int32_t d = static_cast<int16_t>(ReadSample(p)) - (dc[ch] >> 10);
            dc[ch] += d;
            WriteSample(p, Clip((multiplier * d) >> 8));
        }
    }
    for (int ch = 0; ch < Channels; ++ch) state[ch].dc = dc[ch];
}

// The processing of a buffer: fast where it is exact, the rest one sample at a time. A section
// left out of the fast path still needs its state (the last two values it saw) should its
// coefficients change, so the last two frames always go the exact way.
template <bool RemoveDc>
void Equalise(InputDsp& dsp, uint8_t* data, uint32_t length) {
    std::array<ChannelState, 2> state{ChannelState{dsp.dc[0], dsp.w[0]},
                                      ChannelState{dsp.dc[1], dsp.w[1]}};
    const uint32_t count = length / 2;
    const int channels = dsp.channels == 2 ? 2 : 1;
    uint32_t exactFrom = 0;
    FastPlan plan;
    if (RemoveDc && !dsp.eqOn) {
        // (multiplier x d) >> 8 is (multiplier x 4d) >> 10, the gain with no section in between.
        const uint32_t frames = count / channels;
        if (const Chunk chunk = DcAndGainChunk(channels, true)) {
            std::array<FastState, 2> fast{FastState{state[0].dc, {}}, FastState{state[1].dc, {}}};
            chunk(plan, dsp.multiplier, fast, data, frames);
            state[0].dc = fast[0].dc;
            state[1].dc = fast[1].dc;
        } else if (channels == 2) {
            RemoveDcWithGain<2>(state, dsp.multiplier, data, frames);
        } else {
            RemoveDcWithGain<1>(state, dsp.multiplier, data, frames);
        }
        exactFrom = frames * channels;
    } else if (dsp.eqOn && MakeFastPlan(dsp, plan)) {
        const uint32_t frames = count / channels;
        const uint32_t fastFrames = frames - std::min<uint32_t>(frames, 2);
        std::array<FastState, 2> fast;
        for (int ch = 0; ch < 2; ++ch) {
            fast[ch].dc = state[ch].dc;
            for (int k = 0; k < plan.count; ++k)
                fast[ch].w[k] = {state[ch].w[plan.bands[k]][0], state[ch].w[plan.bands[k]][1]};
        }
        const int64_t m = dsp.multiplier;
        const uint32_t done = channels == 2
                                  ? FastFramesFor<2, RemoveDc>(plan, m, fast, data, fastFrames)
                                  : FastFramesFor<1, RemoveDc>(plan, m, fast, data, fastFrames);
        for (int ch = 0; ch < 2; ++ch) {
            state[ch].dc = fast[ch].dc;
            for (int k = 0; k < plan.count; ++k)
                for (int j = 0; j < 2; ++j)
                    state[ch].w[plan.bands[k]][j] = static_cast<int32_t>(fast[ch].w[k][j]);
        }
        exactFrom = done * channels;
    }
    ProcessExact<RemoveDc>(dsp, state, data, exactFrom, count);
    if (RemoveDc) dsp.dc = {state[0].dc, state[1].dc};
    dsp.w = {state[0].w, state[1].w};
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
    Equalise<true>(dsp, data, length);
}

void EqualiseBuffer(InputDsp& dsp, uint8_t* data, uint32_t length) {
    if (dsp.eqOn) Equalise<false>(dsp, data, length);
}

void GainStep(InputDsp& dsp, const Settings& settings, uint32_t& recordGain, int delta) {
    int64_t gain = std::clamp<int64_t>(static_cast<int64_t>(recordGain) + delta, 0, kMaxRecordGain);
    recordGain = static_cast<uint32_t>(gain);
    int g = static_cast<int>(gain);
    if (settings.EqOn) g += settings.EqOverallGain;
    dsp.multiplier = GainMultiplier(g);
}

}  // namespace mora
