#pragma once
// The playback volume step (0..20, 20 = 0 dB) and the device call that applies it.

#include <cstdint>

#include "settings/settings.h"

namespace mora {

inline constexpr uint32_t kMaxVolumeStep = 20;

// The output-volume call of the audio device layer.
class OutputVolumeDevice {
  public:
    virtual ~OutputVolumeDevice() = default;
    // Sets the default output device's volume: left channel in the low 16 bits, right in the
    // high 16 bits, 0xFFFF each at full volume. False when the device refused.
    virtual bool SetOutputVolume(uint32_t volume) = 0;
};

// trunc(10^((step - 20) / 20) * 65535), at most 65535.
uint32_t VolumeLevel(uint32_t step);

// When the settings let the program control the output volume: moves the step by `delta`
// within 0..20 and sets the device volume on both channels. The step is kept only when the
// device accepted it. Returns whether the volume was set.
bool VolumeStep(OutputVolumeDevice& device, const Settings& settings, uint32_t& playVolume,
                int delta);

}  // namespace mora
