#pragma once
// The program's sound devices at start-up.

#include <string>

#include "app/app_state.h"
#include "platform/event_loop.h"

namespace mora {

// Opens the devices `audioChoice` names (MORA_AUDIO; the sound server when empty). When the
// sound server does not answer, or the choice cannot be understood, the null device stands in
// and the reporter is told once.
void OpenProgramAudio(AppState& state, EventLoop& loop, const std::string& audioChoice);

// The external interface is the last input whose name begins with "MAYCOM"; when found, the
// codecs no longer compensate for the sound device's measured rate.
void DetectExternalInterface(AppState& state);

}  // namespace mora
