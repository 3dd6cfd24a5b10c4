#pragma once
// The setup program's state: one SetupState, owned by the program and passed by reference, so a
// test can build a fresh one.

#include <cstdint>
#include <memory>
#include <string>

#include "audio/input_processing.h"
#include "net/ftp_stream.h"
#include "platform/audio/audio_device.h"
#include "settings/settings.h"

namespace mora {

struct SetupState {
    Settings settings;  // the record the pages edit; written by "Save and exit"
    std::string iniPath;
    bool settingsLoaded = false;

    std::unique_ptr<AudioSystem> audio;  // the null device when no sound server answers
    // The external interface's input name when one was found ("Tandem" page instead of "Audio").
    std::string interfaceName;

    InternetState internet;
    uint32_t ftpTestRuns = 0;  // seeds the test pattern, so successive tests differ

    // The equaliser the "Input EQ" page plays through, at 44100 Hz.
    InputDsp eqDsp;
};

}  // namespace mora
