#include "audio/resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "audio/resampler_simd.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The converter has always shifted each of the 16 products by 4 before the sum. That equals the
// plain sum of the products less the sum of their low 4 bits, shifted once, which vector
// multiply-adds compute directly. No phase's taps add up to 65536 in magnitude, so the sum of
// full-scale products stays within 32 bits.
#if defined(__SSE2__)
// The sum in four parts, for the taps x[0] … x[15] and the coefficients c0, c1 (eight each).
inline __m128i Taps(const int16_t* x, __m128i c0, __m128i c1) {
    const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + 8));
    const __m128i mask = _mm_set1_epi16(15);
    const __m128i low = _mm_add_epi16(_mm_and_si128(_mm_mullo_epi16(x0, c0), mask),
                                      _mm_and_si128(_mm_mullo_epi16(x1, c1), mask));
    return _mm_sub_epi32(_mm_add_epi32(_mm_madd_epi16(x0, c0), _mm_madd_epi16(x1, c1)),
                         _mm_madd_epi16(low, _mm_set1_epi16(1)));
}

inline __m128i Load(const int16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
#endif

// One output sample from the taps x[0] … x[15].
inline int16_t Interpolate(const int16_t* x, const std::array<int16_t, kResamplerTaps>& coef) {
    static_assert(kResamplerTaps == 16);
#if defined(__SSE2__)
    __m128i sum = Taps(x, Load(coef.data()), Load(coef.data() + 8));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    const int32_t total = _mm_cvtsi128_si32(sum);
#else
    int32_t total = 0;
    for (size_t t = 0; t < kResamplerTaps; ++t) {
        const int32_t product = int32_t{x[t]} * coef[t];
        total += product - (product & 15);
    }
#endif
    return static_cast<int16_t>(std::clamp(total >> 15, -32768, 32767));
}

uint32_t Resampler::Run(const int16_t* in, uint32_t inFrames, int channels, int16_t* left,
                        int16_t* right, uint32_t outSamples) {
    const ResamplerTable& table = ResamplerCoefficients();
    const auto ch = static_cast<uint32_t>(channels);
    const bool simd = resampler_simd::Available();
    // The vector path makes its outputs in eights.
    const uint64_t outputs = simd ? (uint64_t{outSamples} + 7) / 8 * 8 : outSamples;
    // The last frame the taps reach: where the phase steps end, plus the 16 taps.
    const uint64_t reach = (uint64_t{acc_} + outputs * rate_) / kOutRate + 1;
    const size_t planeSize = std::max<size_t>(inFrames, reach) + kResamplerTaps;
    // Each channel deinterleaved into its own plane, padded with silence past the input.
    plane_.resize(planeSize * ch);
    uint32_t done = 0;
    if (ch == 1) {
        std::copy_n(in, inFrames, plane_.data());
        done = inFrames;
    } else if (simd) {
        done = resampler_simd::Deinterleave(in, inFrames, plane_.data(), plane_.data() + planeSize);
    }
#if defined(__SSE2__)
    if (ch == 2 && !simd) {
        // Eight frames at a time: each 32-bit lane holds a frame, left in its low half.
        for (; done + 8 <= inFrames; done += 8) {
            const __m128i a = Load(in + 2 * done), b = Load(in + 2 * done + 8);
            const __m128i l8 = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16),
                                               _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
            const __m128i r8 = _mm_packs_epi32(_mm_srai_epi32(a, 16), _mm_srai_epi32(b, 16));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(plane_.data() + done), l8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(plane_.data() + planeSize + done), r8);
        }
    }
#endif
    for (uint32_t c = 0; c < ch; ++c) {
        int16_t* plane = plane_.data() + c * planeSize;
        for (uint32_t f = done; f < inFrames; ++f) plane[f] = in[f * ch + c];
        std::fill(plane + inFrames, plane + planeSize, 0);
    }
    // Both channels share each phase step and its coefficients.
    const int16_t* l = plane_.data();
    const int16_t* r = l + planeSize;
    if (simd) {
        resampler_simd::Interpolate(l, ch == 2 ? r : nullptr, acc_, rate_, left, right, outSamples);
        const uint64_t end = uint64_t{acc_} + uint64_t{outSamples} * rate_;
        acc_ = static_cast<uint32_t>(end % kOutRate);
        return static_cast<uint32_t>(end / kOutRate);
    }
    uint32_t n = 0;
    for (uint32_t i = 0; i < outSamples; ++i) {
        const auto& coef = table[(kOutRate - acc_) / 100];
#if defined(__SSE2__)
        if (ch == 2) {
            // Both sums reduced together; the pack saturates to 16 bits as the clamp does.
            const __m128i c0 = Load(coef.data()), c1 = Load(coef.data() + 8);
            const __m128i sl = Taps(l + n, c0, c1), sr = Taps(r + n, c0, c1);
            __m128i t = _mm_add_epi32(_mm_unpacklo_epi32(sl, sr), _mm_unpackhi_epi32(sl, sr));
            t = _mm_add_epi32(t, _mm_shuffle_epi32(t, 0x4E));
            const auto lr =
                static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packs_epi32(_mm_srai_epi32(t, 15), t)));
            left[i] = static_cast<int16_t>(lr & 0xFFFF);
            right[i] = static_cast<int16_t>(lr >> 16);
        } else
#endif
        {
            left[i] = Interpolate(l + n, coef);
            if (ch == 2) right[i] = Interpolate(r + n, coef);
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
