#pragma once
// Stages interleaved 16-bit PCM in blocks of 1152 input frames and turns each full block into
// 1152 samples per channel at 48 kHz: resampled when the input runs at 44.1 kHz (or a measured
// rate near it), taken as it is otherwise. Frames the resampler did not consume stay staged for
// the next block, so the phase carries across input buffers.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "audio/mp2_bitrate.h"
#include "audio/resampler.h"

namespace mora {

class PcmStager48k {
  public:
    using Planes = std::function<void(const int16_t* left, const int16_t* right)>;

    PcmStager48k();
    // channels 1 or 2; inputRate 44100 converts at `resampleRate`, any other rate is copied.
    void Reset(int channels, uint32_t inputRate, uint32_t resampleRate);
    void Push(const int16_t* pcm, uint32_t frames, const Planes& out);
    // Pads what is staged with silence and converts it; a resampled tail that leaves real
    // frames behind gets one more padded block.
    void Finish(const Planes& out);

    uint32_t Pending() const { return pending_; }
    const Resampler& GetResampler() const { return resampler_; }

  private:
    void Convert(const Planes& out);

    int channels_ = 1;
    bool resample_ = true;
    Resampler resampler_;
    std::vector<int16_t> staging_;
    uint32_t pending_ = 0;
    std::array<int16_t, kMp2FrameSamples> left_{};
    std::array<int16_t, kMp2FrameSamples> right_{};
};

}  // namespace mora
