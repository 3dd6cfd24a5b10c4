#pragma once

// The parts of the input equaliser's fast path that its SIMD versions share with the plain one.

#include <algorithm>
#include <array>
#include <cstdint>

#include "audio/input_processing.h"

#if defined(__x86_64__) || defined(__i386__)
#define MORA_EQ_X86 1
#else
#define MORA_EQ_X86 0
#endif

namespace mora::eq_fast {

inline int16_t Clip(int64_t y) {
    return static_cast<int16_t>(std::clamp<int64_t>(y, -32767, 32767));
}

// Beyond +-limit the gain's result clips anyway; within it, multiplier x value fits 32 bits, so
// the vector paths clamp to it and multiply in 32-bit lanes.
inline int32_t GainLimit(int64_t multiplier) {
    return multiplier == 0
               ? 0
               : static_cast<int32_t>((int64_t{32768} * 1024 + multiplier - 1) / multiplier);
}

inline uint32_t ReadSample(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}

inline void WriteSample(uint8_t* p, int16_t value) {
    const auto out = static_cast<uint16_t>(value);
    p[0] = static_cast<uint8_t>(out & 0xff);
    p[1] = static_cast<uint8_t>(out >> 8);
}

// The fast equaliser runs only the sections that change the signal, shares the product that
// a1 and -b1 have in common (equal but for the sign in every computed section) and does not
// saturate. It is exact whenever saturation would change nothing: every intermediate value w of
// a chunk (and of the state it starts from) lies within +-2^boundBits, small enough that a
// section's output cannot leave 32 bits either. A chunk that strays outside is done again
// exactly from its saved input and state.
struct FastSection {
    int64_t negB1, negB2, a0, a2;
};

struct FastPlan {
    std::array<FastSection, kEqBandCount> sections;
    std::array<int, kEqBandCount> bands;  // the band each fast section stands for
    int count = 0;
    int boundBits = 0;
    // The bound for the 32-bit lanes of the SIMD path, which also keeps every sum of a section
    // within 32 bits so that a wrapped value cannot pass the check; -1 when there is none.
    int laneBoundBits = -1;
};

// Wrapping arithmetic: values are only kept when they stayed in range, but the ones computed
// after a value left it must not be undefined.
inline int64_t Mul(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}
inline int64_t Add(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

struct FastState {
    int32_t dc;
    std::array<std::array<int64_t, 2>, kEqBandCount> w;  // w1, w2 of each fast section
};

// The most frames a chunk of `Channels` channels is given. The mono SIMD path fills and empties
// its lanes at each end of a chunk, so its chunks are longer.
template <int Channels>
inline constexpr uint32_t kChunkFrames = Channels == 1 ? 512 : 128;

// `frames` frames of the buffer's channels, in place. False (and the samples partly changed)
// when a value left the bound; the state is then to be discarded.
using Chunk = bool (*)(const FastPlan& plan, int64_t multiplier, std::array<FastState, 2>& st,
                       uint8_t* data, uint32_t frames);

// The stereo version with AVX2 for two or three fast sections, which needs the plan's lane bound;
// null for other counts or where the processor lacks AVX2.
Chunk WideStereoChunk(int sections, bool removeDc);

// The SIMD version for `channels` channels and `sections` fast sections, which needs the plan's
// lane bound; null when there is none for them or for this processor.
Chunk SimdChunk(int channels, int sections, bool removeDc);

// DC removal and gain alone, for no section that changes the signal, in vector lanes; it needs
// no bound. Null where the processor lacks AVX2.
Chunk DcAndGainChunk(int channels, bool removeDc);

// The mono SIMD version, which SimdChunk hands mono plans to; null as above.
Chunk MonoSimdChunk(int sections, bool removeDc);

#if MORA_EQ_X86
// The gain over `count` section outputs v (four times the sample's scale), in AVX2 lanes:
// clip((multiplier x v) >> 10) into 16-bit samples at `data`. Only where the processor has AVX2.
void GainAvx2(const int32_t* v, uint32_t count, int64_t multiplier, uint8_t* data);
#endif

}  // namespace mora::eq_fast
