#pragma once

// The resampler's AVX2 path, chosen at run time where the processor has it. Its results are
// those of the plain path to the last bit.

#include <cstdint>

namespace mora::resampler_simd {

// Whether this processor runs the functions below; they must not be called otherwise.
bool Available();

// Splits interleaved stereo frames into two planes, sixteen frames at a time; returns how many
// frames it split (the rest, fewer than sixteen, are the caller's).
uint32_t Deinterleave(const int16_t* in, uint32_t frames, int16_t* left, int16_t* right);

// Makes `count` outputs per channel from planes starting at phase `acc` (0 ≤ acc < 48000) with
// `rate` input samples per second; `right` is null for mono. The outputs are made in batches of
// eight, so each plane must hold the taps of `count` rounded up to a multiple of eight.
void Interpolate(const int16_t* left, const int16_t* right, uint32_t acc, uint32_t rate,
                 int16_t* outLeft, int16_t* outRight, uint32_t count);

}  // namespace mora::resampler_simd
