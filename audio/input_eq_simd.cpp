#include <algorithm>
#include <cstring>

#include "audio/input_eq_fast.h"
#include "platform/system_facts.h"

#if MORA_EQ_X86
#include <immintrin.h>
#endif

namespace mora::eq_fast {
namespace {

#if MORA_EQ_X86
bool HasSse41() {
    return SimdSupport() >= SimdLevel::Sse41;
}

// Stereo with SSE4.1: the left and right values sit in the low halves of the two 64-bit lanes,
// and every product of a section is taken for both channels at once. Sums wrap at 32 bits; the
// lane bound keeps every true sum within them, so the wrapped values are the exact ones
// wherever the chunk is kept.
struct LaneSection {
    __m128i negB1, negB2, a0, a2;            // coefficients in the low half of each lane
    __m128i biasB1, biasB2, biasA0, biasA2;  // 2^28 - 1 where the coefficient is negative
};

#define MORA_SSE41 __attribute__((target("sse4.1"), always_inline))

// trunc(c * x / 2^28) in the low half of each lane, from |x| and x: the product of c and |x| is
// rounded toward zero by the bias of c's sign, and then takes x's sign.
inline MORA_SSE41 __m128i LaneMulQ28(__m128i c, __m128i bias, __m128i absX, __m128i x) {
    const __m128i p = _mm_add_epi64(_mm_mul_epi32(c, absX), bias);
    return _mm_sign_epi32(_mm_srli_epi64(p, 28), x);
}

template <int N, bool RemoveDc>
__attribute__((target("sse4.1"))) bool FastChunkStereoSse41(const FastPlan& plan,
                                                            int64_t multiplier,
                                                            std::array<FastState, 2>& st,
                                                            uint8_t* data, uint32_t frames) {
    LaneSection c[kEqBandCount];
    for (int k = 0; k < N; ++k) {
        const FastSection& f = plan.sections[k];
        const auto bias = [](int64_t v) { return _mm_set1_epi64x(v < 0 ? kQ28One - 1 : 0); };
        c[k] = {_mm_set1_epi64x(f.negB1),
                _mm_set1_epi64x(f.negB2),
                _mm_set1_epi64x(f.a0),
                _mm_set1_epi64x(f.a2),
                bias(f.negB1),
                bias(f.negB2),
                bias(f.a0),
                bias(f.a2)};
    }
    const auto pair = [&](auto get) {
        return _mm_set_epi64x(static_cast<int32_t>(get(st[1])), static_cast<int32_t>(get(st[0])));
    };
    __m128i w1[kEqBandCount], w2[kEqBandCount], abs1[kEqBandCount], abs2[kEqBandCount];
    uint64_t seenState = 0;
    const uint64_t offset = uint64_t{1} << plan.laneBoundBits;
    for (int k = 0; k < N; ++k) {
        for (int ch = 0; ch < 2; ++ch)
            seenState |= (st[ch].w[k][0] + offset) | (st[ch].w[k][1] + offset);
        w1[k] = pair([k](const FastState& s) { return s.w[k][0]; });
        w2[k] = pair([k](const FastState& s) { return s.w[k][1]; });
        abs1[k] = _mm_abs_epi32(w1[k]);
        abs2[k] = _mm_abs_epi32(w2[k]);
    }
    if (seenState >> (plan.laneBoundBits + 1)) return false;
    __m128i dc = pair([](const FastState& s) { return s.dc; });
    const int32_t limit = GainLimit(multiplier);
    const __m128i hi = _mm_set1_epi32(limit), lo = _mm_set1_epi32(-limit);
    const __m128i m = _mm_set1_epi64x(multiplier), floor16 = _mm_set1_epi16(-32767);
    const __m128i laneOffset = _mm_set1_epi32(static_cast<int32_t>(offset));
    __m128i seen = _mm_setzero_si128();
    for (uint32_t f = 0; f < frames; ++f) {
        uint8_t* p = data + 4 * f;
        int32_t in;
        std::memcpy(&in, p, 4);
        __m128i d = _mm_cvtepi16_epi64(_mm_cvtsi32_si128(in));
        if (RemoveDc) {
            d = _mm_sub_epi32(d, _mm_srai_epi32(dc, 10));
            dc = _mm_add_epi32(dc, d);
        }
        __m128i v = _mm_slli_epi32(d, 2);
#pragma GCC unroll 3
        for (int k = 0; k < N; ++k) {
            const __m128i p1 = LaneMulQ28(c[k].negB1, c[k].biasB1, abs1[k], w1[k]);
            const __m128i x = _mm_add_epi32(_mm_add_epi32(v, p1),
                                            LaneMulQ28(c[k].negB2, c[k].biasB2, abs2[k], w2[k]));
            seen = _mm_or_si128(seen, _mm_add_epi32(x, laneOffset));
            const __m128i absX = _mm_abs_epi32(x);
            v = _mm_add_epi32(_mm_sub_epi32(LaneMulQ28(c[k].a0, c[k].biasA0, absX, x), p1),
                              LaneMulQ28(c[k].a2, c[k].biasA2, abs2[k], w2[k]));
            w2[k] = w1[k];
            abs2[k] = abs1[k];
            w1[k] = x;
            abs1[k] = absX;
        }
        const __m128i g = _mm_mul_epi32(_mm_max_epi32(_mm_min_epi32(v, hi), lo), m);
        const __m128i y = _mm_shuffle_epi32(_mm_srai_epi32(g, 10), _MM_SHUFFLE(3, 3, 2, 0));
        const int32_t out = _mm_cvtsi128_si32(_mm_max_epi16(_mm_packs_epi32(y, y), floor16));
        std::memcpy(p, &out, 4);
    }
    // Only the low half of each lane counts.
    const __m128i low = _mm_set_epi32(0, -1, 0, -1);
    if (!_mm_testz_si128(_mm_srli_epi32(seen, plan.laneBoundBits + 1), low)) return false;
    const auto put = [&](__m128i value, auto set) {
        set(st[0], _mm_cvtsi128_si32(value));
        set(st[1], _mm_cvtsi128_si32(_mm_srli_si128(value, 8)));
    };
    for (int k = 0; k < N; ++k) {
        put(w1[k], [k](FastState& s, int32_t v) { s.w[k][0] = v; });
        put(w2[k], [k](FastState& s, int32_t v) { s.w[k][1] = v; });
    }
    put(dc, [](FastState& s, int32_t v) { s.dc = v; });
    return true;
}
#undef MORA_SSE41

#define MORA_AVX2 __attribute__((target("avx2"), always_inline))

inline MORA_AVX2 __m256i GainLanes(const int32_t* v, __m256i hi, __m256i lo, __m256i m) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v));
    return _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_max_epi32(_mm256_min_epi32(x, hi), lo), m),
                             10);
}
#undef MORA_AVX2

// No section changes the signal: DC removal, one value after another, then the gain in lanes.
template <int Channels, bool RemoveDc>
__attribute__((target("avx2"))) bool DcAndGainAvx2(const FastPlan&, int64_t multiplier,
                                                   std::array<FastState, 2>& st, uint8_t* data,
                                                   uint32_t frames) {
    constexpr uint32_t kValues = 256;
    alignas(32) int32_t v[kValues];
    // The channels' accumulators in locals of their own, so that their chains overlap.
    int32_t dcLeft = st[0].dc, dcRight = st[1].dc;
    const auto remove = [](int32_t d, int32_t& dc) {
        if (RemoveDc) {
            d -= dc >> 10;
            dc += d;
        }
        return d * 4;
    };
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(frames - done, kValues / Channels);
        uint8_t* p = data + 2 * Channels * done;
        for (uint32_t f = 0; f < n; ++f) {
            const uint8_t* q = p + 2 * Channels * f;
            v[Channels * f] = remove(static_cast<int16_t>(ReadSample(q)), dcLeft);
            if (Channels == 2)
                v[2 * f + 1] = remove(static_cast<int16_t>(ReadSample(q + 2)), dcRight);
        }
        GainAvx2(v, n * Channels, multiplier, p);
        done += n;
    }
    st[0].dc = dcLeft;
    if (Channels == 2) st[1].dc = dcRight;
    return true;
}

template <bool RemoveDc>
Chunk StereoChunk(int sections) {
    switch (sections) {
        case 0:
            return &FastChunkStereoSse41<0, RemoveDc>;
        case 1:
            return &FastChunkStereoSse41<1, RemoveDc>;
        case 2:
            return &FastChunkStereoSse41<2, RemoveDc>;
        default:
            return &FastChunkStereoSse41<3, RemoveDc>;
    }
}
#endif

}  // namespace

#if MORA_EQ_X86
__attribute__((target("avx2"))) void GainAvx2(const int32_t* v, uint32_t count, int64_t multiplier,
                                              uint8_t* data) {
    const int32_t limit = GainLimit(multiplier);
    const __m256i hi = _mm256_set1_epi32(limit), lo = _mm256_set1_epi32(-limit);
    const __m256i m = _mm256_set1_epi32(static_cast<int32_t>(multiplier));
    const __m256i floor16 = _mm256_set1_epi16(-32767);
    uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        // The packing works within halves; the permutation puts the values back in order.
        const __m256i packed = _mm256_permute4x64_epi64(
            _mm256_packs_epi32(GainLanes(v + i, hi, lo, m), GainLanes(v + i + 8, hi, lo, m)),
            _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(data + 2 * i),
                            _mm256_max_epi16(packed, floor16));
    }
    for (; i < count; ++i) WriteSample(data + 2 * i, Clip(Mul(multiplier, v[i]) >> 10));
}
#endif

Chunk DcAndGainChunk([[maybe_unused]] int channels, [[maybe_unused]] bool removeDc) {
#if MORA_EQ_X86
    if (SimdSupport() >= SimdLevel::Avx2) {
        if (channels == 2) return removeDc ? &DcAndGainAvx2<2, true> : &DcAndGainAvx2<2, false>;
        return removeDc ? &DcAndGainAvx2<1, true> : &DcAndGainAvx2<1, false>;
    }
#endif
    return nullptr;
}

Chunk SimdChunk([[maybe_unused]] int channels, [[maybe_unused]] int sections,
                [[maybe_unused]] bool removeDc) {
#if MORA_EQ_X86
    if (sections == 0) {
        if (const Chunk chunk = DcAndGainChunk(channels, removeDc)) return chunk;
    }
    if (channels == 2) {
        if (const Chunk wide = WideStereoChunk(sections, removeDc)) return wide;
        if (HasSse41())
            return removeDc ? StereoChunk<true>(sections) : StereoChunk<false>(sections);
    }
#endif
    if (channels == 1) return MonoSimdChunk(sections, removeDc);
    return nullptr;
}

}  // namespace mora::eq_fast
