#pragma once
// What the record screen shows for the input gain and the output volume: the text beside each
// knob and the knob position (0..65536). The external interface counts in its own steps.

#include <cstdint>
#include <string>

namespace mora {

// "%+2ddB" of the input gain (0..40 dB); knob gain x 65536 / 40.
std::string GainText(uint32_t gainDb);
int GainKnob(uint32_t gainDb);
// The interface's gain value in half-dB steps from -96 dB: "%+2.0fdB"; knob (value - 126) x 512.
std::string InterfaceGainText(int value);
int InterfaceGainKnob(int value);

// "%+2ddB" of step - 20 (0..20); knob step x 65536 / 20.
std::string VolumeText(uint32_t step);
int VolumeKnob(uint32_t step);
// The interface's volume value in dB from -121 dB: "  %+2.0fdB"; knob (value - 111) x 4096.
std::string InterfaceVolumeText(int value);
int InterfaceVolumeKnob(int value);

}  // namespace mora
