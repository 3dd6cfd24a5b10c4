#include <algorithm>

#include "audio/input_eq_fast.h"
#include "platform/system_facts.h"

#if MORA_EQ_X86
#include <immintrin.h>
#endif

namespace mora::eq_fast {
namespace {

#if MORA_EQ_X86
// Mono with AVX2: the sections of one sample form a chain, so each 64-bit lane runs one section
// and the chain of one sample is spread over several steps that the processor overlaps. The
// first section sits in the highest used lane and the last in lane 0, and each lane is kSkew
// samples behind the one before it: a lane takes the output its neighbour gave kSkew steps
// earlier, which keeps that exchange off the path from one step to the next. Values live in
// the low half of each lane; sums wrap at 32 bits, and the lane bound keeps every true sum
// within them, so the wrapped values are the exact ones wherever the chunk is kept.
constexpr int kSkew = 2;

#define MORA_AVX2 __attribute__((target("avx2"), always_inline))

struct Coefficients {
    __m256i negB1, negB2, a0, a2;
    __m256i signB1, signB2, signA0, signA2;  // 2^28 - 1 where the coefficient is negative
    __m256i round;                           // 2^28 - 1 in the lanes in use
};

// The section state of every lane, with the rounding term of each value's sign (2^28 - 1 where
// the value is negative) kept beside it, as every product of the value needs it.
struct Lanes {
    __m256i w1, w2, r1, r2, seen;
};

// trunc(c * w / 2^28): the product is rounded toward zero by the bias that the two signs give,
// found apart from the multiplication. The logical shift leaves the low half as an arithmetic
// one would.
inline MORA_AVX2 __m256i MulQ28(__m256i c, __m256i signC, __m256i w, __m256i r) {
    const __m256i bias = _mm256_xor_si256(r, signC);
    return _mm256_srli_epi64(_mm256_add_epi64(_mm256_mul_epi32(c, w), bias), 28);
}

// A sum the compiler is to keep as it is: left to itself it adds the newest product to a part of
// it first, which lengthens the path from one step to the next by an addition.
inline MORA_AVX2 __m256i Whole(__m256i sum) {
    __asm__("" : "+x"(sum));
    return sum;
}

// One step of every lane, or of the `active` ones when Masked. Each section's input is the
// neighbour's output plus the sample, which is zero but in the first section's lane.
template <bool Masked>
inline MORA_AVX2 __m256i Step(const Coefficients& c, Lanes& s, __m256i neighbour, __m256i sample,
                              __m256i active) {
    // Only the previous value is on the path from one step to the next: the products with the
    // older one are summed beforehand.
    const __m256i p2 = MulQ28(c.negB2, c.signB2, s.w2, s.r2);
    const __m256i a2w2 = MulQ28(c.a2, c.signA2, s.w2, s.r2);
    const __m256i p1 = MulQ28(c.negB1, c.signB1, s.w1, s.r1);
    const __m256i older = Whole(_mm256_add_epi32(neighbour, Whole(_mm256_add_epi32(p2, sample))));
    const __m256i x = _mm256_add_epi32(p1, older);
    const __m256i sign = _mm256_srai_epi32(x, 31);
    const __m256i r = _mm256_and_si256(sign, c.round);
    const __m256i v =
        _mm256_add_epi32(MulQ28(c.a0, c.signA0, x, r), Whole(_mm256_sub_epi32(a2w2, p1)));
    // x xor its sign is x, or -x - 1 when negative: below 2^bits while x is in range.
    const __m256i magnitude = _mm256_xor_si256(x, sign);
    if (Masked) {
        s.seen = _mm256_or_si256(s.seen, _mm256_and_si256(magnitude, active));
        s.w2 = _mm256_blendv_epi8(s.w2, s.w1, active);
        s.r2 = _mm256_blendv_epi8(s.r2, s.r1, active);
        s.w1 = _mm256_blendv_epi8(s.w1, x, active);
        s.r1 = _mm256_blendv_epi8(s.r1, r, active);
    } else {
        s.seen = _mm256_or_si256(s.seen, magnitude);
        s.w2 = s.w1;
        s.r2 = s.r1;
        s.w1 = x;
        s.r1 = r;
    }
    return v;
}

template <int N, bool RemoveDc>
__attribute__((target("avx2"))) bool FastChunkMonoAvx2(const FastPlan& plan, int64_t multiplier,
                                                       std::array<FastState, 2>& st, uint8_t* data,
                                                       uint32_t frames) {
    static_assert(N >= 2 && N <= 3);
    if (frames > kChunkFrames<1>) return false;
    const uint64_t offset = uint64_t{1} << plan.laneBoundBits;
    uint64_t seenState = 0;
    for (int k = 0; k < N; ++k) seenState |= (st[0].w[k][0] + offset) | (st[0].w[k][1] + offset);
    if (seenState >> (plan.laneBoundBits + 1)) return false;

    // Section k runs in lane N - 1 - k. The lanes beyond have no coefficients and stay zero, so
    // that the first section's lane takes zero from its neighbour.
    alignas(32) int64_t lanes[11][4] = {};
    for (int k = 0; k < N; ++k) {
        const FastSection& f = plan.sections[k];
        const int64_t cs[4] = {f.negB1, f.negB2, f.a0, f.a2};
        const int lane = N - 1 - k;
        for (int j = 0; j < 4; ++j) {
            lanes[j][lane] = cs[j];
            lanes[4 + j][lane] = cs[j] < 0 ? kQ28One - 1 : 0;
        }
        lanes[8][lane] = kQ28One - 1;
        lanes[9][lane] = static_cast<int32_t>(st[0].w[k][0]);
        lanes[10][lane] = static_cast<int32_t>(st[0].w[k][1]);
    }
    const auto load = [&lanes](int j) MORA_AVX2 {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes[j]));
    };
    const Coefficients c{load(0), load(1), load(2), load(3), load(4),
                         load(5), load(6), load(7), load(8)};
    const auto rounding = [&c](__m256i w) MORA_AVX2 {
        return _mm256_and_si256(_mm256_srai_epi32(w, 31), c.round);
    };
    Lanes s{load(9), load(10), rounding(load(9)), rounding(load(10)), _mm256_setzero_si256()};

    constexpr uint32_t head = kSkew * (N - 1);
    const uint32_t steps = frames + head;
    // The DC-free samples times 4, each found kAhead steps before the step that takes it: the
    // DC removal runs on other execution units than the sections, and its result goes through
    // memory rather than through a vector unit.
    constexpr uint32_t kAhead = 8;
    int32_t samples[kChunkFrames<1> + head + kSkew];
    int32_t dc = st[0].dc;
    const auto removeDc = [&](uint32_t i) {
        int32_t d = static_cast<int16_t>(ReadSample(data + 2 * i));
        if (RemoveDc) {
            d -= dc >> 10;
            dc += d;
        }
        samples[i] = d * 4;
    };
    for (uint32_t i = 0; i < std::min(frames, kAhead); ++i) removeDc(i);
    std::fill(samples + frames, samples + steps + kSkew, 0);
    // Step t gives lane 0's output for sample t - head.
    int32_t out[kChunkFrames<1> + head + kSkew];
    const __m256i delay =
        _mm256_set_epi64x(kSkew * (N - 4), kSkew * (N - 3), kSkew * (N - 2), kSkew * (N - 1));
    const __m256i used = _mm256_cmpgt_epi64(_mm256_set1_epi64x(N), _mm256_set_epi64x(3, 2, 1, 0));
    constexpr int kSampleDword = 2 * (N - 1);
    __m256i v[kSkew] = {};
    const auto run = [&]<bool Masked>(uint32_t t) MORA_AVX2 {
#pragma GCC unroll 2
        for (int j = 0; j < kSkew; ++j) {
            if (t + j + kAhead < frames) removeDc(t + j + kAhead);
            // Each lane takes its neighbour's output for the same sample; the first section
            // takes the sample besides.
            const __m256i neighbour = _mm256_permute4x64_epi64(v[j], _MM_SHUFFLE(3, 3, 2, 1));
            const __m256i sample = _mm256_blend_epi32(
                _mm256_setzero_si256(), _mm256_set1_epi32(samples[t + j]), 1 << kSampleDword);
            __m256i active = used;
            if (Masked) {
                // The sample each lane is at.
                const __m256i at = _mm256_sub_epi64(_mm256_set1_epi64x(t + j), delay);
                const __m256i started = _mm256_cmpgt_epi64(at, _mm256_set1_epi64x(-1));
                const __m256i before = _mm256_cmpgt_epi64(_mm256_set1_epi64x(frames), at);
                active = _mm256_and_si256(active, _mm256_and_si256(started, before));
            }
            v[j] = Step<Masked>(c, s, neighbour, sample, active);
            _mm_storeu_si32(out + t + j, _mm256_castsi256_si128(v[j]));
        }
    };
    uint32_t t = 0;
    for (; t < head; t += kSkew) run.template operator()<true>(t);
    for (; t + kSkew <= frames; t += kSkew) run.template operator()<false>(t);
    for (; t < steps; t += kSkew) run.template operator()<true>(t);

    const __m256i low = _mm256_and_si256(used, _mm256_set1_epi64x(0xffffffff));
    if (!_mm256_testz_si256(_mm256_srli_epi32(s.seen, plan.laneBoundBits), low)) return false;

    GainAvx2(out + head, frames, multiplier, data);

    alignas(32) int64_t w1[4], w2[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(w1), s.w1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(w2), s.w2);
    for (int k = 0; k < N; ++k) {
        st[0].w[k][0] = static_cast<int32_t>(w1[N - 1 - k]);
        st[0].w[k][1] = static_cast<int32_t>(w2[N - 1 - k]);
    }
    st[0].dc = dc;
    return true;
}
#undef MORA_AVX2

bool HasAvx2() {
    return SimdSupport() >= SimdLevel::Avx2;
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

Chunk MonoSimdChunk([[maybe_unused]] int sections, [[maybe_unused]] bool removeDc) {
#if MORA_EQ_X86
    if (HasAvx2()) return removeDc ? MonoChunk<true>(sections) : MonoChunk<false>(sections);
#endif
    return nullptr;
}

}  // namespace mora::eq_fast
