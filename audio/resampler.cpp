#include "audio/resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mora {
namespace {
constexpr uint32_t kOutRate = 48000;

ResamplerTable BuildTable() {
    ResamplerTable table{};
    // The sinc's zeros fall on the input samples, so the end phases are exact unit impulses;
    // the Blackman window holds the taps to 16.
    constexpr double kCutoff = 1.0;
    for (int p = 0; p <= kResamplerPhases; ++p) {
        std::array<double, kResamplerTaps> h{};
        double sum = 0;
        for (int t = 0; t < kResamplerTaps; ++t) {
            const double x = t - 8 + static_cast<double>(p) / kResamplerPhases;
            const double arg = std::numbers::pi * kCutoff * x;
            const double sinc = x == 0 ? 1.0 : std::sin(arg) / arg;
            const double w = (x + 8.0) / 16.0;  // 0 … 1 across the taps
            const double window = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * w) +
                                  0.08 * std::cos(4 * std::numbers::pi * w);
            h[static_cast<size_t>(t)] = sinc * window;
            sum += h[static_cast<size_t>(t)];
        }
        for (int t = 0; t < kResamplerTaps; ++t)
            table[static_cast<size_t>(p)][static_cast<size_t>(t)] =
                static_cast<int16_t>(std::lround(h[static_cast<size_t>(t)] / sum * 32767.0));
    }
    return table;
}
}  // namespace

const ResamplerTable& ResamplerCoefficients() {
    static const ResamplerTable table = BuildTable();
    return table;
}

void Resampler::Reset(uint32_t inputRate) {
    rate_ = inputRate;
    acc_ = 0;
}

// One output sample: the 16 taps from x[0]. Each product is shifted before the sum, as the
// converter has always rounded; the fixed trip count lets the compiler vectorise it.
inline int16_t Interpolate(const int16_t* x, const std::array<int16_t, kResamplerTaps>& coef) {
    int32_t sum = 0;
    for (int t = 0; t < kResamplerTaps; ++t)
        sum += (int32_t{x[t]} * coef[static_cast<size_t>(t)]) >> 4;
    return static_cast<int16_t>(std::clamp(sum >> 11, -32768, 32767));
}

uint32_t Resampler::Run(const int16_t* in, uint32_t inFrames, int channels, int16_t* left,
                        int16_t* right, uint32_t outSamples) {
    const ResamplerTable& table = ResamplerCoefficients();
    // The phase steps are the same for every channel: each channel replays them from the start.
    const uint32_t startAcc = acc_;
    // The last frame the taps reach: where the phase steps end, plus the 16 taps.
    const uint64_t reach = (uint64_t{acc_} + uint64_t{outSamples} * rate_) / kOutRate + 1;
    const size_t planeSize = std::max<size_t>(inFrames, reach) + kResamplerTaps;
    uint32_t n = 0;
    for (int c = 0; c < channels; ++c) {
        // Deinterleaved into a contiguous plane, padded with silence past the input.
        plane_.assign(planeSize, 0);
        for (uint32_t f = 0; f < inFrames; ++f)
            plane_[f] = in[f * static_cast<uint32_t>(channels) + static_cast<uint32_t>(c)];
        int16_t* out = c == 0 ? left : right;
        acc_ = startAcc;
        n = 0;
        for (uint32_t i = 0; i < outSamples; ++i) {
            out[i] = Interpolate(plane_.data() + n, table[(kOutRate - acc_) / 100]);
            acc_ += rate_;
            // A measured rate may exceed 48 kHz by a little; the loop keeps acc below 48000.
            while (acc_ >= kOutRate) {
                acc_ -= kOutRate;
                ++n;
            }
        }
    }
    return n;
}

}  // namespace mora
