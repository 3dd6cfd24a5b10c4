#include <cstring>

#include "audio/input_eq_fast.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MORA_EQ_X86 1
#else
#define MORA_EQ_X86 0
#endif

namespace mora::eq_fast {
namespace {

#if MORA_EQ_X86
bool HasSse41() {
    static const bool has = __builtin_cpu_supports("sse4.1");
    return has;
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
    // Beyond +-limit the gain's result clips anyway; within it, multiplier x value fits 32 bits.
    const int32_t limit =
        multiplier == 0
            ? 0
            : static_cast<int32_t>((int64_t{32768} * 1024 + multiplier - 1) / multiplier);
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

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Mono with AVX2: the sections of one sample form a chain, so each 64-bit lane runs one section,
// a sample behind the lane before it (section k of sample t - k), and the chain of one sample is
// spread over consecutive steps that the processor overlaps. The lane bound is the stereo one.
#define MORA_AVX2 __attribute__((target("avx2"), always_inline))

inline MORA_AVX2 __m256i WideMulQ28(__m256i c, __m256i bias, __m256i absX, __m256i x) {
    const __m256i p = _mm256_add_epi64(_mm256_mul_epi32(c, absX), bias);
    return _mm256_sign_epi32(_mm256_srli_epi64(p, 28), x);
}

struct WideState {
    __m256i w1, w2, abs1, abs2, seen;
};

struct WideCoefficients {
    __m256i negB1, negB2, a0, a2, biasB1, biasB2, round, biasA2, offset;
};

// One step: every lane whose sample is in [0, frames) when Masked, every lane otherwise.
template <bool Masked>
inline MORA_AVX2 __m256i WideStep(const WideCoefficients& c, WideState& s, __m256i in,
                                  __m256i active) {
    // Only the sample's own value is on the chain from one step to the next, so the products
    // with the older values are summed beforehand, and a0 x is rounded by the bias of its sign
    // rather than through |x|.
    const __m256i p1 = WideMulQ28(c.negB1, c.biasB1, s.abs1, s.w1);
    const __m256i p2 = WideMulQ28(c.negB2, c.biasB2, s.abs2, s.w2);
    const __m256i rest = _mm256_sub_epi32(WideMulQ28(c.a2, c.biasA2, s.abs2, s.w2), p1);
    const __m256i x = _mm256_add_epi32(in, _mm256_add_epi32(p1, p2));
    const __m256i bias =
        _mm256_and_si256(_mm256_srai_epi32(_mm256_xor_si256(x, c.a0), 31), c.round);
    const __m256i a0x = _mm256_srli_epi64(_mm256_add_epi64(_mm256_mul_epi32(c.a0, x), bias), 28);
    const __m256i v = _mm256_add_epi32(a0x, rest);
    const __m256i absX = _mm256_abs_epi32(x);
    const __m256i seen = _mm256_add_epi32(x, c.offset);
    if (Masked) {
        s.seen = _mm256_or_si256(s.seen, _mm256_and_si256(seen, active));
        s.w2 = _mm256_blendv_epi8(s.w2, s.w1, active);
        s.abs2 = _mm256_blendv_epi8(s.abs2, s.abs1, active);
        s.w1 = _mm256_blendv_epi8(s.w1, x, active);
        s.abs1 = _mm256_blendv_epi8(s.abs1, absX, active);
    } else {
        s.seen = _mm256_or_si256(s.seen, seen);
        s.w2 = s.w1;
        s.abs2 = s.abs1;
        s.w1 = x;
        s.abs1 = absX;
    }
    return v;
}

template <int N, bool RemoveDc>
__attribute__((target("avx2"))) bool FastChunkMonoAvx2(const FastPlan& plan, int64_t multiplier,
                                                       std::array<FastState, 2>& st, uint8_t* data,
                                                       uint32_t frames) {
    static_assert(N >= 1 && N <= 4);
    alignas(32) int64_t lanes[9][4] = {};
    for (int k = 0; k < N; ++k) {
        const FastSection& f = plan.sections[k];
        const int64_t cs[4] = {f.negB1, f.negB2, f.a0, f.a2};
        for (int j = 0; j < 4; ++j) {
            lanes[j][k] = cs[j];
            lanes[4 + j][k] = cs[j] < 0 ? kQ28One - 1 : 0;
        }
    }
    // a0 x is rounded by the sign of the product itself: its slot holds the rounding mask.
    for (int k = 0; k < 4; ++k) lanes[6][k] = kQ28One - 1;
    const uint64_t offset = uint64_t{1} << plan.laneBoundBits;
    for (int k = 0; k < 4; ++k) lanes[8][k] = static_cast<int64_t>(offset);
    WideCoefficients c;
    __m256i* const fields[] = {&c.negB1,  &c.negB2, &c.a0,     &c.a2,    &c.biasB1,
                               &c.biasB2, &c.round, &c.biasA2, &c.offset};
    for (int j = 0; j < 9; ++j)
        *fields[j] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes[j]));
    alignas(32) int64_t w1[4] = {}, w2[4] = {};
    uint64_t seenState = 0;
    for (int k = 0; k < N; ++k) {
        seenState |= (st[0].w[k][0] + offset) | (st[0].w[k][1] + offset);
        w1[k] = static_cast<int32_t>(st[0].w[k][0]);
        w2[k] = static_cast<int32_t>(st[0].w[k][1]);
    }
    if (seenState >> (plan.laneBoundBits + 1)) return false;
    WideState s{_mm256_load_si256(reinterpret_cast<const __m256i*>(w1)),
                _mm256_load_si256(reinterpret_cast<const __m256i*>(w2)),
                {},
                {},
                {}};
    s.abs1 = _mm256_abs_epi32(s.w1);
    s.abs2 = _mm256_abs_epi32(s.w2);
    s.seen = _mm256_setzero_si256();
    int32_t dc = st[0].dc;
    const auto input = [&](uint32_t t) {
        int32_t d = 0;
        if (t < frames) {
            d = static_cast<int16_t>(ReadSample(data + 2 * t));
            if (RemoveDc) {
                d -= dc >> 10;
                dc += d;
            }
        }
        return d * 4;
    };
    const auto output = [&](uint32_t t, int32_t y) {
        WriteSample(data + 2 * (t - (N - 1)), Clip(Mul(multiplier, y) >> 10));
    };
    const __m256i laneIndex = _mm256_set_epi64x(3, 2, 1, 0);
    const __m256i used = _mm256_cmpgt_epi64(_mm256_set1_epi64x(N), laneIndex);
    const uint32_t head = N - 1;
    const uint32_t steps = frames + head;
    __m256i v = _mm256_setzero_si256();
    for (uint32_t t = 0; t < steps; ++t) {
        // Lane 0 takes the new sample, each other lane the output the lane before it gave one
        // step earlier.
        const __m256i in =
            _mm256_blend_epi32(_mm256_permute4x64_epi64(v, _MM_SHUFFLE(2, 1, 0, 0)),
                               _mm256_castsi128_si256(_mm_cvtsi32_si128(input(t))), 0x01);
        if (t >= head && t < frames) {
            v = WideStep<false>(c, s, in, used);
        } else {
            const __m256i sample = _mm256_sub_epi64(_mm256_set1_epi64x(t), laneIndex);
            const __m256i started = _mm256_cmpgt_epi64(sample, _mm256_set1_epi64x(-1));
            const __m256i before = _mm256_cmpgt_epi64(_mm256_set1_epi64x(frames), sample);
            v = WideStep<true>(c, s, in, _mm256_and_si256(_mm256_and_si256(started, before), used));
        }
        if (t >= head) output(t, _mm256_extract_epi32(v, 2 * (N - 1)));
    }
    const __m256i low = _mm256_and_si256(used, _mm256_set1_epi64x(0xffffffff));
    const __m256i over = _mm256_srli_epi32(s.seen, plan.laneBoundBits + 1);
    if (!_mm256_testz_si256(over, low)) return false;
    _mm256_store_si256(reinterpret_cast<__m256i*>(w1), s.w1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(w2), s.w2);
    for (int k = 0; k < N; ++k) {
        st[0].w[k][0] = static_cast<int32_t>(w1[k]);
        st[0].w[k][1] = static_cast<int32_t>(w2[k]);
    }
    st[0].dc = dc;
    return true;
}
#undef MORA_AVX2

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

template <bool RemoveDc>
Chunk MonoChunk(int sections) {
    // A single section has no chain to spread over lanes.
    switch (sections) {
        case 0:
        case 1:
            return nullptr;
        case 2:
            return &FastChunkMonoAvx2<2, RemoveDc>;
        default:
            return &FastChunkMonoAvx2<3, RemoveDc>;
    }
}
#endif

}  // namespace

Chunk SimdChunk([[maybe_unused]] int channels, [[maybe_unused]] int sections,
                [[maybe_unused]] bool removeDc) {
#if MORA_EQ_X86
    if (channels == 2) {
        if (const Chunk wide = WideStereoChunk(sections, removeDc)) return wide;
        if (HasSse41())
            return removeDc ? StereoChunk<true>(sections) : StereoChunk<false>(sections);
    }
    if (channels == 1 && HasAvx2())
        return removeDc ? MonoChunk<true>(sections) : MonoChunk<false>(sections);
#endif
    return nullptr;
}

}  // namespace mora::eq_fast
