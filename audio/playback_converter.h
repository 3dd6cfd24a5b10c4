#pragma once
// The playback rate converter: 16-bit PCM at 48000, 88200 or 96000 Hz (or any rate) to the
// output rate, as a polyphase FIR over a Q15 coefficient table, with the carry of input frames
// that the next call continues from. Rate 0 (copy) passes frames through unchanged. Also maps
// the file's channels to the output's (mono duplicated to both channels, stereo averaged).

#include <cstdint>
#include <memory>
#include <vector>

namespace mora {

class PlaybackConverter {
  public:
    // Empties the carry and restarts the phase. Equal rates copy.
    void Reset(uint32_t sourceRate, uint32_t targetRate, int channels);

    // Appends interleaved input frames to the carry.
    void Push(const int16_t* frames, uint32_t count);
    // Input frames still missing from the carry before `outputs` more frames can be produced.
    uint32_t InputNeeded(uint32_t outputs) const;
    // Produces up to `outputs` frames with `outChannels` channels; returns how many it made.
    uint32_t Produce(int16_t* out, uint32_t outputs, int outChannels);

    uint32_t CarriedFrames() const;
    uint32_t SourceRate() const { return source_; }
    uint32_t TargetRate() const { return target_; }
    bool Copies() const { return source_ == target_; }

    // The filter spans this many units either side of its centre, one input frame being
    // `targetRate` units; the table holds one coefficient per 100 units.
    static constexpr uint32_t kHalfSpan = 384000;
    static constexpr uint32_t kTableSize = 2 * kHalfSpan / 100;

  private:
    // Taps used for an output at phase `acc`.
    uint32_t Taps(uint32_t acc) const {
        return (2 * kHalfSpan - (target_ - acc) - 1) / target_ + 1;
    }

    uint32_t source_ = 44100;
    uint32_t target_ = 44100;
    int channels_ = 1;
    uint32_t acc_ = 0;
    uint32_t pos_ = 0;  // current input frame within the carry
    std::vector<int16_t> carry_;
    std::shared_ptr<const std::vector<int32_t>> table_;
};

// The Q15 coefficient table for converting `sourceRate` to `targetRate` (a windowed-sinc
// low-pass below the lower rate's Nyquist frequency); tables are kept once made.
std::shared_ptr<const std::vector<int32_t>> ConverterTable(uint32_t sourceRate,
                                                           uint32_t targetRate);

}  // namespace mora
