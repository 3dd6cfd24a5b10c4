#include <algorithm>
#include <cstring>
#include <utility>

#include "audio/input_eq_fast.h"
#include "platform/system_facts.h"

#if MORA_EQ_X86
#include <immintrin.h>
#endif

namespace mora::eq_fast {
namespace {

#if MORA_EQ_X86

// Stereo with AVX2, two or three sections: every 64-bit lane runs one section with the left value
// in its low half and the right one in its high half, the last section in lane 0 and each section
// two frames ahead of the one after it (section k of frame t - 2k). A section's output thus
// reaches the next one two steps later, off the chain from one step to the next, and one step
// runs every section of both channels. DC removal runs beside the steps in the integer registers
// and the gain is a pass of its own, so the vector registers hold only the sections.
//
// Products are taken of magnitudes, unsigned, and then given the sign of c x: rounded toward
// zero without a bias. The right channel's magnitude is taken times 16, so that its product's
// high half is already the quotient by 2^28. Both need every magnitude below 2^28, which the
// check on the lane bound, capped there, makes sure of; sums wrap at 32 bits as in the SSE4.1
// version, and the bound makes the wrapped values the exact ones wherever the chunk is kept.
constexpr int kSkew = 2;
constexpr uint32_t kPieceFrames = 128;
constexpr int kMagnitudeBits = 28;

#define MORA_AVX2 __attribute__((target("avx2"), always_inline))

struct WideCoefficient {
    __m256i magnitude;  // |c| in the low half of each lane
    __m256i sign;       // all ones where c is negative
};

// One value of every lane with what its products need: its magnitude in the low half of each
// lane for the left channel, and 16 times the right one's there for the right channel.
struct WideValue {
    __m256i value, left, right;
};

inline MORA_AVX2 WideValue MakeValue(__m256i value) {
    const __m256i magnitude = _mm256_abs_epi32(value);
    return {value, magnitude, _mm256_srli_epi64(magnitude, kMagnitudeBits)};
}

// trunc(c * w / 2^28) for both halves of every lane; Positive when every c is.
template <bool Positive = false>
inline MORA_AVX2 __m256i Product(const WideCoefficient& c, const WideValue& w) {
    const __m256i left = _mm256_srli_epi64(_mm256_mul_epu32(c.magnitude, w.left), kMagnitudeBits);
    const __m256i right = _mm256_mul_epu32(c.magnitude, w.right);
    return _mm256_sign_epi32(_mm256_blend_epi32(left, right, 0xaa),
                             Positive ? w.value : _mm256_xor_si256(w.value, c.sign));
}

struct WideSections {
    WideCoefficient negB1, negB2, a0, a2;
};

inline MORA_AVX2 __m256i Blend(__m256i old, __m256i now, __m256i active) {
    return _mm256_blendv_epi8(old, now, active);
}

// What a lane's next two steps need of the values it computed last: the sums of products of
// the last two that the next x and v take, and the products of the last one that the x and v
// after them take. Each value's products are thus taken once, in the step that computes it.
struct Pending {
    __m256i x, v, negB2, a2;
};

inline MORA_AVX2 Pending Start(const WideSections& c, const WideValue& w1, const WideValue& w2) {
    const __m256i p1 = Product(c.negB1, w1);
    return {_mm256_add_epi32(p1, Product(c.negB2, w2)), _mm256_sub_epi32(Product(c.a2, w2), p1),
            Product(c.negB2, w1), Product(c.a2, w1)};
}

// One step, which returns the lanes' new values; `v` (the outputs of two steps ago) becomes the
// new outputs. Only the lanes whose frame is in the chunk change their state when Masked; every
// lane otherwise.
template <int N, bool Masked>
inline MORA_AVX2 __m256i Step(const WideSections& c, Pending& s, __m256i& v, __m256i& seen,
                              const int32_t* frame, __m256i active) {
    // Each lane takes the output the lane above it gave two steps ago; the first section's lane
    // takes the new frame.
    int64_t pair;
    std::memcpy(&pair, frame, sizeof pair);
    const __m256i in = _mm256_blend_epi32(_mm256_permute4x64_epi64(v, _MM_SHUFFLE(3, 3, 2, 1)),
                                          _mm256_set1_epi64x(pair), 3 << (2 * (N - 1)));
    const __m256i x = _mm256_add_epi32(in, s.x);
    const WideValue value = MakeValue(x);
    v = _mm256_add_epi32(Product<true>(c.a0, value), s.v);
    const __m256i p1 = Product(c.negB1, value);
    const Pending next{_mm256_add_epi32(p1, s.negB2), _mm256_sub_epi32(s.a2, p1),
                       Product(c.negB2, value), Product(c.a2, value)};
    if (Masked) {
        seen = _mm256_or_si256(seen, _mm256_and_si256(value.left, active));
        s = {Blend(s.x, next.x, active), Blend(s.v, next.v, active),
             Blend(s.negB2, next.negB2, active), Blend(s.a2, next.a2, active)};
    } else {
        seen = _mm256_or_si256(seen, value.left);
        s = next;
    }
    return x;
}

inline MORA_AVX2 void Output(int32_t* out, uint32_t frame, __m256i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * frame), _mm256_castsi256_si128(v));
}

// A step at one of the chunk's ends, where some lanes have no frame. It keeps the lanes' last
// two values, which the full steps leave to the caller, and the registers then take their roles
// as after a full step.
template <int N>
inline MORA_AVX2 void EdgeStep(const WideSections& c, Pending& s, __m256i& w1, __m256i& w2,
                               __m256i& v1, __m256i& v2, __m256i& seen, const int32_t* in,
                               int32_t* out, uint32_t t, uint32_t frames) {
    constexpr uint32_t head = kSkew * (N - 1);
    // The frame of each lane; the lanes no section uses have none.
    constexpr int64_t none = int64_t{1} << 40;
    const __m256i lead =
        _mm256_set_epi64x(none, N > 2 ? 0 : none, kSkew * (N - 2), kSkew * (N - 1));
    const __m256i frame = _mm256_sub_epi64(_mm256_set1_epi64x(t), lead);
    const __m256i active = _mm256_and_si256(_mm256_cmpgt_epi64(frame, _mm256_set1_epi64x(-1)),
                                            _mm256_cmpgt_epi64(_mm256_set1_epi64x(frames), frame));
    const __m256i x = Step<N, true>(c, s, v2, seen, in + 2 * t, active);
    w2 = Blend(w2, w1, active);
    w1 = Blend(w1, x, active);
    std::swap(v1, v2);
    if (t >= head) Output(out, t - head, v1);
}

// Up to kPieceFrames frames: the DC-free samples times 4 into `in`, the sections from `in` into
// `out`, the gain from `out` into the samples.
template <int N, bool RemoveDc>
__attribute__((target("avx2"))) bool StereoPiece(const WideSections& c, int bound,
                                                 int64_t multiplier, std::array<FastState, 2>& st,
                                                 uint8_t* data, uint32_t frames) {
    constexpr uint32_t head = kSkew * (N - 1);
    alignas(32) int32_t in[2 * (kPieceFrames + head)];
    alignas(32) int32_t out[2 * kPieceFrames];

    // Frame f, in the integer registers, which the steps leave idle; the full steps do it two
    // frames ahead of themselves.
    int32_t dcLeft = st[0].dc, dcRight = st[1].dc;
    const auto removeDc = [&](uint32_t f) {
        int32_t left = static_cast<int16_t>(ReadSample(data + 4 * f));
        int32_t right = static_cast<int16_t>(ReadSample(data + 4 * f + 2));
        if (RemoveDc) {
            left -= dcLeft >> 10;
            dcLeft += left;
            right -= dcRight >> 10;
            dcRight += right;
        }
        const uint64_t pair =
            static_cast<uint32_t>(left * 4) | uint64_t{static_cast<uint32_t>(right * 4)} << 32;
        std::memcpy(in + 2 * f, &pair, sizeof pair);
    };
    std::memset(in + 2 * frames, 0, sizeof(int32_t) * 2 * head);

    alignas(32) int32_t w[2][8] = {};
    for (int k = 0; k < N; ++k)
        for (int ch = 0; ch < 2; ++ch)
            for (int j = 0; j < 2; ++j) {
                const int64_t value = st[ch].w[k][j];
                if (value <= -(int64_t{1} << bound) || value >= (int64_t{1} << bound)) return false;
                w[j][2 * (N - 1 - k) + ch] = static_cast<int32_t>(value);
            }
    __m256i w1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(w[0]));
    __m256i w2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(w[1]));
    Pending s = Start(c, MakeValue(w1), MakeValue(w2));
    __m256i v1 = _mm256_setzero_si256(), v2 = _mm256_setzero_si256();
    __m256i seen = _mm256_setzero_si256();
    uint32_t ready = 0;
    for (; ready < std::min(frames, head + 2); ++ready) removeDc(ready);
    uint32_t t = 0;
    for (; t < head; ++t) EdgeStep<N>(c, s, w1, w2, v1, v2, seen, in, out, t, frames);
    // Two full steps at a time, the output registers taking turns. The last full steps are left
    // to the steps that keep the values.
    for (; t + 4 <= frames; t += 2) {
        removeDc(t + 2);
        removeDc(t + 3);
        Step<N, false>(c, s, v2, seen, in + 2 * t, _mm256_setzero_si256());
        Output(out, t - head, v2);
        Step<N, false>(c, s, v1, seen, in + 2 * t + 2, _mm256_setzero_si256());
        Output(out, t + 1 - head, v1);
    }
    for (ready = std::max(ready, t + 2); ready < frames; ++ready) removeDc(ready);
    for (; t < frames + head; ++t) EdgeStep<N>(c, s, w1, w2, v1, v2, seen, in, out, t, frames);

    const __m256i used = _mm256_set_epi64x(0, N > 2 ? -1 : 0, -1, -1);
    if (!_mm256_testz_si256(_mm256_srli_epi32(seen, bound), used)) return false;

    GainAvx2(out, 2 * frames, multiplier, data);

    alignas(32) int32_t state[2][8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(state[0]), w1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(state[1]), w2);
    for (int k = 0; k < N; ++k)
        for (int ch = 0; ch < 2; ++ch)
            for (int j = 0; j < 2; ++j) st[ch].w[k][j] = state[j][2 * (N - 1 - k) + ch];
    st[0].dc = dcLeft;
    st[1].dc = dcRight;
    return true;
}

template <int N, bool RemoveDc>
__attribute__((target("avx2"))) bool FastChunkStereoAvx2(const FastPlan& plan, int64_t multiplier,
                                                         std::array<FastState, 2>& st,
                                                         uint8_t* data, uint32_t frames) {
    static_assert(N == 2 || N == 3);
    alignas(32) int64_t lanes[8][4] = {};
    for (int k = 0; k < N; ++k) {
        const FastSection& f = plan.sections[k];
        // a0 is positive in every peaking section; another plan is left to the plain path.
        if (f.a0 < 0) return false;
        const int64_t cs[4] = {f.negB1, f.negB2, f.a0, f.a2};
        for (int j = 0; j < 4; ++j) {
            lanes[2 * j][N - 1 - k] = cs[j] < 0 ? -cs[j] : cs[j];
            lanes[2 * j + 1][N - 1 - k] = cs[j] < 0 ? -1 : 0;
        }
    }
    __m256i v[8];
    for (int j = 0; j < 8; ++j)
        v[j] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes[j]));
    const WideSections c{{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}};
    const int bound = std::min(plan.laneBoundBits, kMagnitudeBits);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(frames - done, kPieceFrames);
        if (!StereoPiece<N, RemoveDc>(c, bound, multiplier, st, data + 4 * done, n)) return false;
        done += n;
    }
    return true;
}
#undef MORA_AVX2

#endif

}  // namespace

Chunk WideStereoChunk([[maybe_unused]] int sections, [[maybe_unused]] bool removeDc) {
#if MORA_EQ_X86
    if (SimdSupport() < SimdLevel::Avx2) return nullptr;
    switch (sections) {
        case 2:
            return removeDc ? &FastChunkStereoAvx2<2, true> : &FastChunkStereoAvx2<2, false>;
        case 3:
            return removeDc ? &FastChunkStereoAvx2<3, true> : &FastChunkStereoAvx2<3, false>;
        default:
            return nullptr;
    }
#else
    return nullptr;
#endif
}

}  // namespace mora::eq_fast
