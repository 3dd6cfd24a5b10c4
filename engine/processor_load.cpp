#include "engine/processor_load.h"

#include <algorithm>

namespace mora {

std::chrono::nanoseconds HandlerClock() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

void ProcessorLoad::Add(std::chrono::nanoseconds busy, std::chrono::nanoseconds audio) {
    busy_[next_] = busy.count();
    audio_[next_] = audio.count();
    next_ = (next_ + 1) % kWindow;
    if (count_ < kWindow) ++count_;
    max_ = std::max(max_, busy);
}

double ProcessorLoad::Share() const {
    int64_t busy = 0, audio = 0;
    for (int i = 0; i < count_; ++i) {
        busy += busy_[i];
        audio += audio_[i];
    }
    return audio > 0 ? static_cast<double>(busy) / static_cast<double>(audio) : 0.0;
}

std::chrono::nanoseconds ProcessorLoad::Percentile99() const {
    if (count_ == 0) return std::chrono::nanoseconds{0};
    std::array<int64_t, kWindow> sorted = busy_;
    std::sort(sorted.begin(), sorted.begin() + count_);
    return std::chrono::nanoseconds{sorted[static_cast<size_t>((count_ - 1) * 99 / 100)]};
}

void ProcessorLoad::Reset() {
    next_ = count_ = 0;
    max_ = std::chrono::nanoseconds{0};
}

}  // namespace mora
