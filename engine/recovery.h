#pragma once
// Finishing a recording that a crash or a power cut interrupted. While saving, the recorder
// keeps the audio file's header and the level file (levels and markers so far) up to date every
// few seconds; the recording number is stepped only in memory until the recording is finished.
// So after a crash the interrupted recording is the project's next number with its files on the
// medium: its header is repaired, its levels are rebuilt from the audio (keeping the markers
// written while recording), and it joins the project as if it had been stopped.

#include <cstdint>
#include <optional>
#include <string>

#include "project/project_state.h"

namespace mora {

struct RecoveredRecording {
    std::string name;  // project name and number, as the reporter knows it
    std::string audioPath;
    uint32_t length = 0;  // level units
};

std::optional<RecoveredRecording> RecoverInterruptedRecording(ProjectState& state);

// "Recovered recording default03, 4:12"
std::string RecoveredText(const RecoveredRecording& recording, uint32_t shift);

// Sets the sizes of a plain 44-byte-header WAV file from its length; false when the file is
// not one.
bool RepairWavSizes(const std::string& path);

}  // namespace mora
