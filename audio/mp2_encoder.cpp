#include "audio/mp2_encoder.h"

#include <twolame.h>

#include <algorithm>
#include <cstring>

#include "platform/trace.h"
#include "stream/report.h"

namespace mora {

uint32_t EncoderInputRate(uint32_t measured, bool compensateInCodecs, bool inputRunning) {
    if (compensateInCodecs && inputRunning && measured >= 39690 && measured <= 48510)
        return measured;
    return 44100;
}

JStreamWrMP2::JStreamWrMP2() : frame_(16384) {
    encode_ = [this](const int16_t* left, const int16_t* right) { EncodePlanes(left, right); };
}

JStreamWrMP2::~JStreamWrMP2() {
    Release();
}

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
    refused_ = true;
    // The library would refuse the pair too, but its refusal must not be silent.
    if (!Mp2ModeAllows(bitrate_.index, setup.stereo)) {
        ReportError(IllegalBitrateText(bitrate_.index, setup.stereo));
        return false;
    }
    options_ = twolame_init();
    if (!options_) {
        ReportError("MP2 encoder: out of memory");
        return false;
    }
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
        ReportError(IllegalBitrateText(bitrate_.index, setup.stereo));
        return false;
    }
    refused_ = false;
    blockFill_ = 0;
    stager_.Reset(channels_, setup.recordingRate, setup.resampleRate);
    return true;
}

void JStreamWrMP2::EncodeSamples(const int16_t* pcm, uint32_t frames) {
    if (options_) stager_.Push(pcm, frames, encode_);
}

void JStreamWrMP2::EncodePlanes(const int16_t* left, const int16_t* right) {
    int n = twolame_encode_buffer(options_, left, channels_ == 2 ? right : nullptr,
                                  static_cast<int>(kMp2FrameSamples), frame_.data(),
                                  static_cast<int>(frame_.size()));
    if (n > 0) Output(frame_.data(), static_cast<uint32_t>(n));
}

void JStreamWrMP2::EncodeMonoFrame(const int16_t* samples) {
    if (options_ && channels_ == 1) EncodePlanes(samples, nullptr);
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
    stager_.Finish(encode_);
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
