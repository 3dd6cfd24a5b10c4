#include "audio/mp2_encoder.h"

#include <twolame.h>

#include <algorithm>
#include <cstring>

#include "platform/trace.h"

namespace mora {

JStreamWrMP2::JStreamWrMP2()
    : staging_(kMp2FrameSamples * 2), frame_(16384) {}

JStreamWrMP2::~JStreamWrMP2() { Release(); }

void JStreamWrMP2::Release() {
    if (options_) twolame_close(&options_);
    options_ = nullptr;
}

bool JStreamWrMP2::SetBitrate(int index, uint32_t levelValuesPerSecond) {
    return mora::SetBitrate(bitrate_, index, levelValuesPerSecond);
}

bool JStreamWrMP2::StartEncoder(const Mp2EncoderSetup& setup) {
    Release();
    setup_ = setup;
    channels_ = setup.stereo ? 2 : 1;
    options_ = twolame_init();
    if (!options_) return false;
    twolame_set_in_samplerate(options_, static_cast<int>(kMp2SampleRate));
    twolame_set_out_samplerate(options_, static_cast<int>(kMp2SampleRate));
    twolame_set_num_channels(options_, channels_);
    twolame_set_mode(options_, setup.stereo ? TWOLAME_STEREO : TWOLAME_MONO);
    twolame_set_version(options_, TWOLAME_MPEG1);
    twolame_set_bitrate(options_, static_cast<int>(bitrate_.bitsPerSecond / 1000));
    twolame_set_verbosity(options_, 0);
    if (twolame_init_params(options_) != 0) {
        Trace("twolame_init_params failed: %u kbit/s, %d channels", bitrate_.bitsPerSecond / 1000,
              channels_);
        Release();
        return false;
    }
    blockFill_ = 0;
    pending_ = 0;
    resampler_.Reset(setup.resampleRate);
    return true;
}

void JStreamWrMP2::EncodeSamples(const int16_t* pcm, uint32_t frames) {
    if (!options_) return;
    const auto ch = static_cast<uint32_t>(channels_);
    while (pending_ + frames >= kMp2FrameSamples) {
        const uint32_t take = kMp2FrameSamples - pending_;
        std::copy_n(pcm, take * ch, staging_.begin() + pending_ * ch);
        pcm += take * ch;
        frames -= take;
        pending_ = kMp2FrameSamples;
        EncodeStaged();
    }
    std::copy_n(pcm, frames * ch, staging_.begin() + pending_ * ch);
    pending_ += frames;
}

// Converts the full staging buffer into one frame, keeping the frames the resampler did not
// consume at its start.
void JStreamWrMP2::EncodeStaged() {
    const auto ch = static_cast<uint32_t>(channels_);
    uint32_t consumed;
    if (setup_.recordingRate != 44100) {
        for (uint32_t i = 0; i < kMp2FrameSamples; ++i) {
            left_[i] = staging_[i * ch];
            right_[i] = ch == 2 ? staging_[i * ch + 1] : 0;
        }
        consumed = kMp2FrameSamples;
    } else {
        consumed = resampler_.Run(staging_.data(), pending_, channels_, left_.data(), right_.data(),
                                  kMp2FrameSamples);
        consumed = std::min(consumed, pending_);
    }
    std::copy(staging_.begin() + consumed * ch, staging_.begin() + pending_ * ch, staging_.begin());
    pending_ -= consumed;
    EncodePlanes();
}

void JStreamWrMP2::EncodePlanes() {
    int n = twolame_encode_buffer(options_, left_.data(), channels_ == 2 ? right_.data() : nullptr,
                                  static_cast<int>(kMp2FrameSamples), frame_.data(),
                                  static_cast<int>(frame_.size()));
    if (n > 0) Output(frame_.data(), static_cast<uint32_t>(n));
}

void JStreamWrMP2::EncodeMonoFrame(const int16_t* samples) {
    if (!options_ || channels_ != 1) return;
    std::copy_n(samples, kMp2FrameSamples, left_.begin());
    EncodePlanes();
}

void JStreamWrMP2::Output(const uint8_t* data, uint32_t count) {
    while (count > 0) {
        const uint32_t n = std::min(count, kBlockSize - blockFill_);
        std::memcpy(block_.data() + blockFill_, data, n);
        blockFill_ += n;
        data += n;
        count -= n;
        if (blockFill_ == kBlockSize) {
            blockFill_ = 0;
            WriteEncoded(block_.data(), kBlockSize);
        }
    }
}

void JStreamWrMP2::FinishEncoder() {
    if (!options_) return;
    const auto ch = static_cast<uint32_t>(channels_);
    if (pending_ > 0) {
        const uint32_t before = pending_;
        std::fill(staging_.begin() + pending_ * ch, staging_.end(), 0);
        pending_ = kMp2FrameSamples;
        EncodeStaged();
        // A resampled tail may leave frames that were real audio: one more padded frame.
        if (kMp2FrameSamples - pending_ < before) {
            std::fill(staging_.begin() + pending_ * ch, staging_.end(), 0);
            pending_ = kMp2FrameSamples;
            EncodeStaged();
        }
    }
    pending_ = 0;
    int n = twolame_encode_flush(options_, frame_.data(), static_cast<int>(frame_.size()));
    if (n > 0) Output(frame_.data(), static_cast<uint32_t>(n));
    Release();
    if (blockFill_ > 0) {
        const uint32_t fill = blockFill_;
        blockFill_ = 0;
        WriteEncoded(block_.data(), fill);
    }
}

}  // namespace mora
