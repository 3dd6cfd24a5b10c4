#include "audio/resampler_simd.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "audio/resampler.h"
#include "platform/system_facts.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MORA_RESAMPLER_X86 1
#else
#define MORA_RESAMPLER_X86 0
#endif

namespace mora::resampler_simd {

#if MORA_RESAMPLER_X86
namespace {
constexpr uint32_t kOutRate = 48000;
constexpr uint32_t kBatch = 8;  // outputs whose sums are reduced together
constexpr size_t kRow = 2 * kResamplerTaps;

// Each tap c is split as 16 * high + low with low in -8 … 7, so that for a sample x the shifted
// product floor(x * c / 16) is x * high + floor(x * low / 16): a multiply-add of x and the high
// parts plus the high halves of x times low * 4096, which fits 16 bits. A phase's two halves
// fill one cache line.
struct alignas(64) SplitTable {
    std::array<int16_t, (kResamplerPhases + 1) * kRow> taps;
};

const SplitTable& Split() {
    static const SplitTable table = [] {
        SplitTable split{};
        const ResamplerTable& coefficients = ResamplerCoefficients();
        for (size_t p = 0; p < coefficients.size(); ++p) {
            for (size_t t = 0; t < kResamplerTaps; ++t) {
                const int c = coefficients[p][t];
                const int low = ((c + 8) & 15) - 8;
                split.taps[p * kRow + t] = static_cast<int16_t>((c - low) / 16);
                split.taps[p * kRow + kResamplerTaps + t] = static_cast<int16_t>(low * 4096);
            }
        }
        return split;
    }();
    return table;
}

#define MORA_AVX2 __attribute__((target("avx2")))
#define MORA_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

MORA_AVX2_INLINE __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

MORA_AVX2_INLINE void Store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

// The shifted products of the 16 taps from x in eight 32-bit parts; `row` is the byte offset of
// the phase's row in the split table.
MORA_AVX2_INLINE __m256i Taps(const int16_t* x, const char* rows, uint32_t row) {
    const __m256i v = Load(x);
    const __m256i low = _mm256_mulhi_epi16(v, Load(rows + row + 2 * kResamplerTaps));
    return _mm256_add_epi32(_mm256_madd_epi16(v, Load(rows + row)),
                            _mm256_madd_epi16(low, _mm256_set1_epi16(1)));
}

// Where the outputs of a batch start in the input and the byte offsets of their phases' rows.
struct Steps {
    alignas(32) std::array<uint32_t, kBatch> at, row;
};

// The phase stepping of eight consecutive outputs at once: lane j follows output j of each
// batch, holding 48000 - acc (1 … 48000) and its input position. A batch moves every lane eight
// steps on, which wraps acc at most once beyond the whole input samples it passes.
class Stepper {
  public:
    MORA_AVX2 Stepper(uint32_t acc, uint32_t rate) {
        alignas(32) std::array<uint32_t, kBatch> left{}, at{};
        for (uint32_t j = 0; j < kBatch; ++j) {
            const uint64_t a = uint64_t{acc} + uint64_t{j} * rate;
            at[j] = static_cast<uint32_t>(a / kOutRate);
            left[j] = kOutRate - static_cast<uint32_t>(a % kOutRate);
        }
        left_ = Load(left.data());
        at_ = Load(at.data());
        const uint64_t eight = uint64_t{kBatch} * rate;
        const auto fall = static_cast<int>(eight % kOutRate);
        fall_ = _mm256_set1_epi32(fall);
        rise_ = _mm256_set1_epi32(static_cast<int>(kOutRate) - fall);
        advance_ = _mm256_set1_epi32(static_cast<int>(eight / kOutRate) + 1);
    }

    MORA_AVX2_INLINE void Next(Steps& steps) {
        // Phase p = floor(left / 100) is the high half of (left / 2) * 41944 shifted right by
        // five, exact for every left up to 48000; its row starts at byte p * 64.
        const __m256i phase =
            _mm256_mulhi_epu16(_mm256_srli_epi32(left_, 1), _mm256_set1_epi32(41944));
        Store(steps.row.data(),
              _mm256_slli_epi32(_mm256_and_si256(phase, _mm256_set1_epi32(~31)), 1));
        Store(steps.at.data(), at_);
        // Lanes whose acc does not wrap (left stays above zero) take 48000 back and one input
        // sample fewer.
        const __m256i stays = _mm256_cmpgt_epi32(left_, fall_);
        left_ = _mm256_sub_epi32(_mm256_add_epi32(left_, rise_),
                                 _mm256_and_si256(stays, _mm256_set1_epi32(kOutRate)));
        at_ = _mm256_add_epi32(_mm256_add_epi32(at_, advance_), stays);
    }

  private:
    __m256i left_, at_, fall_, rise_, advance_;
};

// Two outputs' sums of parts: the first's in 32-bit lanes 0, 1, 4 and 5, the second's in the
// others, each lane the sum of two of an output's eight parts.
MORA_AVX2_INLINE __m256i Pair(__m256i s0, __m256i s1) {
    return _mm256_hadd_epi32(s0, s1);
}

// Four outputs' sums from two pairs: in each half, one part per output in output order.
MORA_AVX2_INLINE __m256i Quad(__m256i p01, __m256i p23) {
    return _mm256_hadd_epi32(p01, p23);
}

// The eight sums in output order from the quads of outputs 0 … 3 and 4 … 7.
MORA_AVX2_INLINE __m256i Eight(__m256i a, __m256i b) {
    return _mm256_add_epi32(_mm256_blend_epi32(a, b, 0xF0), _mm256_permute2x128_si256(a, b, 0x21));
}

// The shifted sums of four outputs of each channel from their quads: left in the low half,
// right in the high half.
MORA_AVX2_INLINE __m256i Halves(__m256i left, __m256i right) {
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_permute2x128_si256(left, right, 0x20),
                                              _mm256_permute2x128_si256(left, right, 0x31)),
                             11);
}

// Makes a batch of outputs of each channel, adding up their parts as they are made so that few
// are held at once; both channels take each row from one load. The packs saturate to 16 bits
// as the clamp does. Outputs past `count` are made but not stored.
template <bool Stereo>
MORA_AVX2_INLINE void Emit(const int16_t* l, const int16_t* r, const char* rows, const Steps& steps,
                           int16_t* outLeft, int16_t* outRight, uint32_t count) {
    __m256i quads[2][2];
#pragma GCC unroll 2
    for (uint32_t q = 0; q < 2; ++q) {
        __m256i pairs[2][2];
#pragma GCC unroll 2
        for (uint32_t p = 0; p < 2; ++p) {
            const uint32_t j = 4 * q + 2 * p;
            const uint32_t* at = &steps.at[j];
            const uint32_t* row = &steps.row[j];
            pairs[0][p] = Pair(Taps(l + at[0], rows, row[0]), Taps(l + at[1], rows, row[1]));
            if constexpr (Stereo)
                pairs[1][p] = Pair(Taps(r + at[0], rows, row[0]), Taps(r + at[1], rows, row[1]));
        }
        quads[0][q] = Quad(pairs[0][0], pairs[0][1]);
        if constexpr (Stereo) quads[1][q] = Quad(pairs[1][0], pairs[1][1]);
    }
    __m256i packed;
    if constexpr (Stereo) {
        packed =
            _mm256_packs_epi32(Halves(quads[0][0], quads[1][0]), Halves(quads[0][1], quads[1][1]));
    } else {
        const __m256i sums = _mm256_srai_epi32(Eight(quads[0][0], quads[0][1]), 11);
        packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(sums, sums), 0xD8);
    }
    if (count >= kBatch) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(outLeft), _mm256_castsi256_si128(packed));
        if constexpr (Stereo)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(outRight),
                             _mm256_extracti128_si256(packed, 1));
    } else {
        alignas(32) std::array<int16_t, 2 * kBatch> last;
        Store(last.data(), packed);
        std::copy_n(last.data(), count, outLeft);
        if constexpr (Stereo) std::copy_n(last.data() + kBatch, count, outRight);
    }
}

template <bool Stereo>
MORA_AVX2 void InterpolateAvx2(const int16_t* left, const int16_t* right, uint32_t acc,
                               uint32_t rate, int16_t* outLeft, int16_t* outRight, uint32_t count) {
    const char* rows = reinterpret_cast<const char*>(Split().taps.data());
    Stepper stepper(acc, rate);
    // Each batch's steps are worked out two batches ahead, so that the stepping overlaps the
    // arithmetic and its stores have left for the cache before they are read.
    std::array<Steps, 4> steps;
    stepper.Next(steps[0]);
    stepper.Next(steps[1]);
    for (uint32_t b = 0, first = 0; first < count; ++b, first += kBatch) {
        stepper.Next(steps[(b + 2) & 3]);
        Emit<Stereo>(left, right, rows, steps[b & 3], outLeft + first,
                     Stereo ? outRight + first : nullptr, count - first);
    }
}

MORA_AVX2 uint32_t DeinterleaveAvx2(const int16_t* in, uint32_t frames, int16_t* left,
                                    int16_t* right) {
    // Within each 128-bit half: the four left samples, then the four right ones.
    const __m256i order = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15, 0,
                                           1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
    uint32_t done = 0;
    for (; done + 16 <= frames; done += 16) {
        // Eight frames each, as eight left samples then eight right ones.
        const __m256i a =
            _mm256_permute4x64_epi64(_mm256_shuffle_epi8(Load(in + 2 * done), order), 0xD8);
        const __m256i b =
            _mm256_permute4x64_epi64(_mm256_shuffle_epi8(Load(in + 2 * done + 16), order), 0xD8);
        Store(left + done, _mm256_permute2x128_si256(a, b, 0x20));
        Store(right + done, _mm256_permute2x128_si256(a, b, 0x31));
    }
    return done;
}
}  // namespace

bool Available() {
    return SimdSupport() >= SimdLevel::Avx2;
}

uint32_t Deinterleave(const int16_t* in, uint32_t frames, int16_t* left, int16_t* right) {
    return DeinterleaveAvx2(in, frames, left, right);
}

void Interpolate(const int16_t* left, const int16_t* right, uint32_t acc, uint32_t rate,
                 int16_t* outLeft, int16_t* outRight, uint32_t count) {
    if (right)
        InterpolateAvx2<true>(left, right, acc, rate, outLeft, outRight, count);
    else
        InterpolateAvx2<false>(left, nullptr, acc, rate, outLeft, nullptr, count);
}

#else
bool Available() {
    return false;
}

uint32_t Deinterleave(const int16_t*, uint32_t, int16_t*, int16_t*) {
    return 0;
}

void Interpolate(const int16_t*, const int16_t*, uint32_t, uint32_t, int16_t*, int16_t*, uint32_t) {
}
#endif

}  // namespace mora::resampler_simd
