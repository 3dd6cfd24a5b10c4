#pragma once
// The clips of a publication as the publishing writers need them: each recording with its
// published range, cuts and markers from the level file beside it, the level bytes of that
// range with the cut parts left out, and the recording's file time. Until the clip list exists,
// a clip is loaded straight from a recording's path.

#include <cstdint>
#include <string>
#include <vector>

#include "audio/bwf_metadata.h"
#include "audio/engine_format.h"
#include "audio/level_file.h"
#include "audio/level_meter.h"
#include "settings/settings.h"

namespace mora {

struct PublishClip {
    std::string recordingPath;
    std::string levelPath;
    bool mp2 = false;
    uint32_t begin = 0;  // published range [begin, end) in level units
    uint32_t end = 0;
    std::vector<VuCut> cuts;
    std::vector<uint32_t> markers;
    std::vector<uint8_t> levels;  // of the published range, cut parts left out
    std::string name;             // the title text if any, else the file name
    RecordingTime fileTime;       // last change of the recording, local time
    int channels = 1;
    uint32_t recordingRate = 44100;
    uint8_t mp2BitrateIndex = 3;
};

// Loads a recording for publishing: validates it as the player would and reads its level file;
// a missing level file is built from the audio and saved beside it. The published range is
// the level file's crop range unless `range` gives another (a clip's own). False when the
// recording is refused (the message was shown).
bool LoadPublishClip(const std::string& recordingPath, const LevelTables& tables,
                     uint32_t levelShift, PublishClip& clip,
                     const std::pair<uint32_t, uint32_t>* range = nullptr);

// The stretches of a clip's published range outside its cuts, in order.
std::vector<std::pair<uint32_t, uint32_t>> UncutStretches(const PublishClip& clip);

struct BwfSourceOptions {
    std::string description;
    bool fastPublish = false;
    uint32_t mp2BitrateKbps = 64;  // of the published MPEG stream
    uint32_t levelValuesPerSecond = 20;
    uint16_t tickLow = 0;
};

// The metadata source of a publication: clips with their markers placed in published time.
BwfSource MakeBwfSource(const std::vector<PublishClip>& clips, const Settings& settings,
                        const LevelTables& tables, const BwfSourceOptions& options);

}  // namespace mora
