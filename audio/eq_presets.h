#pragma once
// Choosing the input equaliser's preset: by index, by name (as at start-up) and by the headset
// state, whose preset names end in "_ext" (headset plugged in) or "_int".

#include <cstdint>
#include <string>

#include "audio/input_processing.h"
#include "settings/settings.h"

namespace mora {

// Index of the EQ profile named `name`, scanning in order and stopping at the first profile
// with an empty name; -1 when there is none.
int FindEqPreset(const Settings& settings, const std::string& name);

// Copies the profile's bands, switch and make-up gain into the working values of `settings`
// and recomputes the three sections. An index outside the profiles changes nothing.
void SelectPreset(InputDsp& dsp, Settings& settings, uint32_t recordGain, int index);

// Applies the profile named `EqProfileName` as the program does at start-up; when none
// matches, the equaliser is switched off. Then computes the three sections. Returns whether a
// profile was found.
bool ApplyStartupPreset(InputDsp& dsp, Settings& settings, uint32_t recordGain);

// The headset state: key "Headset" of section "Hardware" in state.txt in the program folder;
// -1 when it cannot be told.
int ReadHeadsetState();

// When the current preset's name ends in "_ext" or "_int" and the headset state is known
// (>= 0), switches to the preset for that state ("_ext" when non-zero) if it exists; the
// new name becomes `EqProfileName`. Returns whether a preset was selected.
bool FollowHeadset(InputDsp& dsp, Settings& settings, uint32_t recordGain, int headsetState);

}  // namespace mora
