#include "audio/pcm_stager.h"

#include <algorithm>

namespace mora {

PcmStager48k::PcmStager48k() : staging_(kMp2FrameSamples * 2) {}

void PcmStager48k::Reset(int channels, uint32_t inputRate, uint32_t resampleRate) {
    channels_ = channels;
    resample_ = inputRate == 44100;
    resampler_.Reset(resampleRate);
    pending_ = 0;
}

void PcmStager48k::Push(const int16_t* pcm, uint32_t frames, const Planes& out) {
    const auto ch = static_cast<uint32_t>(channels_);
    while (pending_ + frames >= kMp2FrameSamples) {
        const uint32_t take = kMp2FrameSamples - pending_;
        std::copy_n(pcm, take * ch, staging_.begin() + pending_ * ch);
        pcm += take * ch;
        frames -= take;
        pending_ = kMp2FrameSamples;
        Convert(out);
    }
    std::copy_n(pcm, frames * ch, staging_.begin() + pending_ * ch);
    pending_ += frames;
}

void PcmStager48k::Convert(const Planes& out) {
    const auto ch = static_cast<uint32_t>(channels_);
    uint32_t consumed = kMp2FrameSamples;
    if (resample_) {
        consumed =
            std::min(pending_, resampler_.Run(staging_.data(), pending_, channels_, left_.data(),
                                              right_.data(), kMp2FrameSamples));
    } else {
        for (uint32_t i = 0; i < kMp2FrameSamples; ++i) {
            left_[i] = staging_[i * ch];
            right_[i] = ch == 2 ? staging_[i * ch + 1] : 0;
        }
    }
    std::copy(staging_.begin() + consumed * ch, staging_.begin() + pending_ * ch, staging_.begin());
    pending_ -= consumed;
    out(left_.data(), right_.data());
}

void PcmStager48k::Finish(const Planes& out) {
    if (pending_ == 0) return;
    const auto ch = static_cast<uint32_t>(channels_);
    const uint32_t before = pending_;
    std::fill(staging_.begin() + pending_ * ch, staging_.end(), 0);
    pending_ = kMp2FrameSamples;
    Convert(out);
    if (kMp2FrameSamples - pending_ < before) {
        std::fill(staging_.begin() + pending_ * ch, staging_.end(), 0);
        pending_ = kMp2FrameSamples;
        Convert(out);
    }
    pending_ = 0;
}

}  // namespace mora
