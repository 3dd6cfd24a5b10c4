#include "audio/playback_converter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <utility>

namespace mora {

std::shared_ptr<const std::vector<int32_t>> ConverterTable(uint32_t sourceRate,
                                                           uint32_t targetRate) {
    static std::mutex mutex;
    static std::map<std::pair<uint32_t, uint32_t>, std::shared_ptr<const std::vector<int32_t>>>
        made;
    std::lock_guard lock(mutex);
    auto& slot = made[{sourceRate, targetRate}];
    if (slot) return slot;

    // One unit is 1 / (source * target) s. The pass band ends at 90 % of the lower Nyquist
    // frequency; a Blackman window over the whole span tapers the sinc.
    const double unitsPerSecond = static_cast<double>(sourceRate) * targetRate;
    const double cutoff = 0.45 * std::min(sourceRate, targetRate);
    const double span = 2.0 * PlaybackConverter::kHalfSpan;
    std::vector<double> h(PlaybackConverter::kTableSize);
    for (size_t i = 0; i < h.size(); ++i) {
        const double x = 100.0 * i + 50.0;
        const double t = (x - PlaybackConverter::kHalfSpan) / unitsPerSecond;
        const double arg = 2.0 * cutoff * t;
        const double sinc =
            arg == 0 ? 1.0 : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
        const double w = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * x / span) +
                         0.08 * std::cos(4 * std::numbers::pi * x / span);
        h[i] = 2.0 * cutoff * sinc * w / sourceRate;
    }
    // Scale so the taps of an output sum to unity on average over the phases.
    double sum = 0;
    int phases = 0;
    for (uint32_t acc = 0; acc < targetRate; acc += std::max<uint32_t>(1, targetRate / 97)) {
        for (uint64_t x = targetRate - acc; x < span; x += targetRate) sum += h[x / 100];
        ++phases;
    }
    const double scale = 32768.0 * phases / sum;
    auto table = std::make_shared<std::vector<int32_t>>(h.size());
    for (size_t i = 0; i < h.size(); ++i)
        (*table)[i] = static_cast<int32_t>(std::lround(h[i] * scale));
    slot = table;
    return slot;
}

void PlaybackConverter::Reset(uint32_t sourceRate, uint32_t targetRate, int channels) {
    source_ = sourceRate ? sourceRate : targetRate;
    target_ = targetRate;
    channels_ = channels == 2 ? 2 : 1;
    acc_ = 0;
    pos_ = 0;
    carry_.clear();
    table_ = Copies() ? nullptr : ConverterTable(source_, target_);
}

uint32_t PlaybackConverter::CarriedFrames() const {
    return static_cast<uint32_t>(carry_.size() / static_cast<size_t>(channels_));
}

void PlaybackConverter::Push(const int16_t* frames, uint32_t count) {
    carry_.insert(carry_.end(), frames, frames + static_cast<size_t>(count) * channels_);
}

uint32_t PlaybackConverter::InputNeeded(uint32_t outputs) const {
    uint64_t needed = pos_;
    if (Copies()) {
        needed += outputs;
    } else {
        uint32_t acc = acc_;
        uint64_t pos = pos_;
        for (uint32_t i = 0; i < outputs; ++i) {
            acc += source_;
            while (acc >= target_) {
                acc -= target_;
                ++pos;
            }
            needed = std::max<uint64_t>(needed, pos + Taps(acc));
        }
    }
    const uint64_t have = CarriedFrames();
    return needed > have ? static_cast<uint32_t>(needed - have) : 0;
}

uint32_t PlaybackConverter::Produce(int16_t* out, uint32_t outputs, int outChannels) {
    const uint32_t have = CarriedFrames();
    const int16_t* in = carry_.data();
    int32_t value[2] = {0, 0};
    uint32_t made = 0;
    for (; made < outputs; ++made) {
        if (Copies()) {
            if (pos_ >= have) break;
            for (int c = 0; c < channels_; ++c) value[c] = in[pos_ * channels_ + c];
            ++pos_;
        } else {
            uint32_t acc = acc_ + source_;
            uint32_t pos = pos_;
            while (acc >= target_) {
                acc -= target_;
                ++pos;
            }
            const uint32_t taps = Taps(acc);
            if (pos + taps > have) break;
            acc_ = acc;
            pos_ = pos;
            // |sample * coef| >> 4 stays below 2^26 and the taps' coefficients sum to well under
            // 32 times full scale, so 32 bits hold the sum.
            const int32_t* coef = table_->data();
            const int16_t* sample = in + static_cast<size_t>(pos) * channels_;
            int32_t sum[2] = {0, 0};
            uint32_t x = target_ - acc;
            if (channels_ == 2) {
                for (uint32_t k = 0; k < taps; ++k, x += target_, sample += 2) {
                    const int32_t h = coef[x / 100];
                    sum[0] += (sample[0] * h) >> 4;
                    sum[1] += (sample[1] * h) >> 4;
                }
            } else {
                for (uint32_t k = 0; k < taps; ++k, x += target_, ++sample)
                    sum[0] += (sample[0] * coef[x / 100]) >> 4;
            }
            for (int c = 0; c < channels_; ++c) value[c] = std::clamp(sum[c] >> 11, -32768, 32767);
        }
        int16_t* frame = out + static_cast<size_t>(made) * outChannels;
        if (outChannels == channels_) {
            for (int c = 0; c < channels_; ++c) frame[c] = static_cast<int16_t>(value[c]);
        } else if (outChannels == 2) {
            frame[0] = frame[1] = static_cast<int16_t>(value[0]);
        } else {
            frame[0] = static_cast<int16_t>((value[0] + value[1]) >> 1);
        }
    }
    // Frames before the current one are no longer needed.
    carry_.erase(carry_.begin(), carry_.begin() + static_cast<long>(pos_) * channels_);
    pos_ = 0;
    return made;
}

}  // namespace mora
