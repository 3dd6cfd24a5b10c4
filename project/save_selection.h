#pragma once
// "Save selection": the crop range of the current recording as a new recording, or over the
// recording itself. The recording is never lost: a copy over itself is written to a sibling
// temporary file that replaces the recording only once it is complete.

#include <string>

#include "project/project_state.h"
#include "settings/settings.h"

namespace mora {

// Copies [crop begin, crop end) of the current recording's audio to `target`: PCM with a fresh
// 44-byte WAV header, MP2 as whole frames. False (reported) when a step failed; the target
// is then removed.
bool CopySelection(ProjectState& state, const std::string& source, const std::string& target);

// Shortens the current recording to [0, crop end) and writes the selection's level file.
bool TruncateRecording(ProjectState& state);

// "Save selection" with the path chosen. Refused with "Nothing selected" for an empty range.
bool SaveSelectionAs(ProjectState& state, const std::string& target);
void MenuSaveSelAs(ProjectState& state, const Settings& settings);

}  // namespace mora
