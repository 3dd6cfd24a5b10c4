#include "audio/output_volume.h"

#include <algorithm>
#include <cmath>

namespace mora {

uint32_t VolumeLevel(uint32_t step) {
    step = std::min(step, kMaxVolumeStep);
    double level = std::trunc(std::pow(10.0, (static_cast<double>(step) - 20.0) / 20.0) * 65535.0);
    return static_cast<uint32_t>(std::min(level, 65535.0));
}

bool VolumeStep(OutputVolumeDevice& device, const Settings& settings, uint32_t& playVolume,
                int delta) {
    if (!settings.OutputVolumeControl) return false;
    const int64_t step =
        std::clamp<int64_t>(static_cast<int64_t>(playVolume) + delta, 0, kMaxVolumeStep);
    const uint32_t level = VolumeLevel(static_cast<uint32_t>(step));
    if (!device.SetOutputVolume(level | (level << 16))) return false;
    playVolume = static_cast<uint32_t>(step);
    return true;
}

}  // namespace mora
