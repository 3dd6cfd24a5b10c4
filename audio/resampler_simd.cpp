#include "audio/resampler_simd.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "audio/resampler.h"

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
constexpr uint32_t kBatch = 8;    // outputs whose sums are reduced together
constexpr uint32_t kChunk = 256;  // outputs whose taps are located before they are computed
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

// The shifted products of the 16 taps from x in eight 32-bit parts.
MORA_AVX2_INLINE __m256i Taps(const int16_t* x, const int16_t* row) {
    const __m256i v = Load(x);
    const __m256i low = _mm256_mulhi_epi16(v, Load(row + kResamplerTaps));
    return _mm256_add_epi32(_mm256_madd_epi16(v, Load(row)),
                            _mm256_madd_epi16(low, _mm256_set1_epi16(1)));
}

// Sums of the outputs of both channels, added up as they are made so that few are held at once.
template <bool Stereo>
struct Sums {
    __m256i left, right;
};

// The sums of two outputs' parts: those of the first in the even 32-bit lanes, taps 0 … 7 in the
// low half and 8 … 15 in the high half, those of the second in the odd lanes. The channels
// share the rows.
template <bool Stereo>
MORA_AVX2_INLINE Sums<Stereo> Pair(const int16_t* left, const int16_t* right, const uint32_t* at,
                                   const int16_t* row0, const int16_t* row1) {
    Sums<Stereo> s;
    s.left = _mm256_hadd_epi32(Taps(left + at[0], row0), Taps(left + at[1], row1));
    if constexpr (Stereo)
        s.right = _mm256_hadd_epi32(Taps(right + at[0], row0), Taps(right + at[1], row1));
    return s;
}

// Two pairs' sums as four outputs', one part of each in each half.
template <bool Stereo>
MORA_AVX2_INLINE Sums<Stereo> Quad(const int16_t* left, const int16_t* right, const uint32_t* at,
                                   const int16_t* rows, const uint32_t* row) {
    const Sums<Stereo> a = Pair<Stereo>(left, right, at, rows + row[0], rows + row[1]);
    const Sums<Stereo> b = Pair<Stereo>(left, right, at + 2, rows + row[2], rows + row[3]);
    Sums<Stereo> s;
    s.left = _mm256_hadd_epi32(a.left, b.left);
    if constexpr (Stereo) s.right = _mm256_hadd_epi32(a.right, b.right);
    return s;
}

// The eight sums in output order from the quads of outputs 0 … 3 and 4 … 7.
MORA_AVX2_INLINE __m256i Eight(__m256i a, __m256i b) {
    return _mm256_add_epi32(_mm256_blend_epi32(a, b, 0xF0), _mm256_permute2x128_si256(a, b, 0x21));
}

// Where each output of a chunk starts in the input and the offset of its phase's row.
struct Steps {
    alignas(32) std::array<uint32_t, kChunk> at;
    alignas(32) std::array<uint32_t, kChunk> row;
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
        fall_ = _mm256_set1_epi32(static_cast<int>(eight % kOutRate));
        advance_ = _mm256_set1_epi32(static_cast<int>(eight / kOutRate));
    }

    MORA_AVX2_INLINE void Next(uint32_t* at, uint32_t* row) {
        // The row of phase p = floor(left / 100) starts at p * 32: the high half of
        // (left / 2) * 41944, less its low five bits, is exact for every left up to 48000.
        const __m256i phase =
            _mm256_mulhi_epu16(_mm256_srli_epi32(left_, 1), _mm256_set1_epi32(41944));
        Store(row, _mm256_and_si256(phase, _mm256_set1_epi32(~31)));
        Store(at, at_);
        left_ = _mm256_sub_epi32(left_, fall_);
        const __m256i wrapped = _mm256_cmpgt_epi32(_mm256_set1_epi32(1), left_);
        left_ = _mm256_add_epi32(left_, _mm256_and_si256(wrapped, _mm256_set1_epi32(kOutRate)));
        at_ = _mm256_sub_epi32(_mm256_add_epi32(at_, advance_), wrapped);
    }

  private:
    __m256i left_, at_, fall_, advance_;
};

template <bool Stereo>
MORA_AVX2 void InterpolateAvx2(const int16_t* left, const int16_t* right, uint32_t acc,
                               uint32_t rate, int16_t* outLeft, int16_t* outRight, uint32_t count) {
    const int16_t* rows = Split().taps.data();
    Stepper stepper(acc, rate);
    Steps steps;
    alignas(32) std::array<int16_t, 2 * kBatch> last{};
    for (uint32_t first = 0; first < count; first += kChunk) {
        const uint32_t n = std::min(count - first, kChunk);
        for (uint32_t i = 0; i < n; i += kBatch) stepper.Next(&steps.at[i], &steps.row[i]);
        for (uint32_t i = 0; i < n; i += kBatch) {
            const uint32_t* at = &steps.at[i];
            const uint32_t* row = &steps.row[i];
            const Sums<Stereo> a = Quad<Stereo>(left, right, at, rows, row);
            const Sums<Stereo> b = Quad<Stereo>(left, right, at + 4, rows, row + 4);
            // The pack saturates to 16 bits as the clamp does.
            const __m256i sl = _mm256_srai_epi32(Eight(a.left, b.left), 11);
            __m256i sr = sl;
            if constexpr (Stereo) sr = _mm256_srai_epi32(Eight(a.right, b.right), 11);
            // Left outputs in the low half, right (or left again) in the high half.
            const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(sl, sr), 0xD8);
            const uint32_t out0 = first + i;
            if (n - i >= kBatch) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(outLeft + out0),
                                 _mm256_castsi256_si128(packed));
                if constexpr (Stereo)
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(outRight + out0),
                                     _mm256_extracti128_si256(packed, 1));
            } else {
                Store(last.data(), packed);
                std::copy_n(last.data(), n - i, outLeft + out0);
                if constexpr (Stereo) std::copy_n(last.data() + kBatch, n - i, outRight + out0);
            }
        }
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
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
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
