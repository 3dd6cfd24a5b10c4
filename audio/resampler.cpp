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
                static_cast<int32_t>(std::lround(h[static_cast<size_t>(t)] / sum * 32767.0));
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

uint32_t Resampler::Run(const int16_t* in, uint32_t inFrames, int channels, int16_t* left,
                        int16_t* right, uint32_t outSamples) {
    const ResamplerTable& table = ResamplerCoefficients();
    const auto sample = [&](uint32_t frame, int channel) -> int32_t {
        return frame < inFrames
                   ? in[frame * static_cast<uint32_t>(channels) + static_cast<uint32_t>(channel)]
                   : 0;
    };
    uint32_t n = 0;
    for (uint32_t i = 0; i < outSamples; ++i) {
        const auto& coef = table[(kOutRate - acc_) / 100];
        for (int c = 0; c < channels; ++c) {
            int32_t sum = 0;
            for (int t = 0; t < kResamplerTaps; ++t)
                sum +=
                    (sample(n + static_cast<uint32_t>(t), c) * coef[static_cast<size_t>(t)]) >> 4;
            const int32_t out = std::clamp(sum >> 11, -32768, 32767);
            (c == 0 ? left : right)[i] = static_cast<int16_t>(out);
        }
        acc_ += rate_;
        // A measured rate may exceed 48 kHz by a little; the loop keeps acc below 48000.
        while (acc_ >= kOutRate) {
            acc_ -= kOutRate;
            ++n;
        }
    }
    return n;
}

}  // namespace mora
