// mora-cli levels show / build: a level file as opening a recording reads it, and building one
// from a recording's audio.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "audio/level_builder.h"
#include "audio/level_file.h"
#include "audio/level_file_reads.h"
#include "audio/level_meter.h"
#include "audio/recording_reader.h"
#include "cli/command.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

int Show(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli levels show: name one level file\n");
        return kExitUsage;
    }
    const std::string& path = args.positional[0];
    const auto shift = ShiftOption(args);
    if (!shift) return kExitUsage;
    RecordingEdit edit;
    edit.shift = *shift;
    VuReadResult read;
    // A missing level file is no error to the program (it rebuilds the levels from the audio),
    // but it is to this command. A refused file has been reported by the load.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
        return kExitFailed;
    }
    if (!LoadVuFile(edit, path, {}, &read)) return kExitFailed;
    Json json;
    json["version"] = read.version;
    json["cropBegin"] = edit.cropBegin;
    json["cropEnd"] = edit.cropEnd;
    json["levelCount"] = edit.levelCount;
    json["markers"] =
        std::vector<uint32_t>(edit.markers.begin(), edit.markers.begin() + edit.markerCount);
    Json cuts = Json::array();
    for (uint32_t i = 0; i < edit.cutCount; ++i)
        cuts.push_back({edit.cuts[i].begin, edit.cuts[i].end});
    json["cuts"] = cuts;
    json["effectiveLength"] =
        EffectiveLength(edit.cropBegin, edit.cropEnd, edit.cuts.data(), edit.cutCount);
    json["levels"] =
        std::vector<uint8_t>(edit.levels.begin(), edit.levels.begin() + edit.levelCount);
    json["shift"] = edit.shift;
    std::cout << json.dump() << "\n";
    return kExitOk;
}

int BuildLevels(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli levels build: name one recording\n");
        return kExitUsage;
    }
    const auto shift = ShiftOption(args);
    if (!shift) return kExitUsage;
    EngineFormat format;
    format.levelShift = *shift;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    const std::string& path = args.positional[0];
    if (OpenRecordingReader(path, format, reader, mp2) == 0) return kExitFailed;
    RecordingEdit edit;
    if (!BuildLevelsFromAudio(*reader, format, BuildLevelTables(), edit)) return kExitFailed;
    const std::string levelFile = LevelFilePathOf(path);
    if (!SaveVuFile(edit, levelFile)) return kExitFailed;
    std::printf("%s\n", levelFile.c_str());
    return kExitOk;
}

const CommandRegistrar kBuildLevels{{
    "levels build",
    "FILE [--shift S]",
    "Builds the level file of a recording from its audio, as is done when a recording's level\n"
    "file is missing: one level value per level unit, crop range 0 to the length, no markers\n"
    "or cuts. Writes it beside the recording with the extension .jvu and prints its path.",
    {"shift"},
    {},
    BuildLevels,
}};

const CommandRegistrar kShow{{
    "levels show",
    "FILE.jvu [--shift S]",
    "Loads a level file as opening a recording does, at the level-resolution shift S (default\n"
    "2, 20 values a second), and prints it as JSON: the version of the file as read, the crop\n"
    "range, the level count, the markers, the cuts as [begin, end], the effective length of the\n"
    "crop range without the cuts, the level bytes and the shift. A file of another resolution\n"
    "is converted and written back, as the program does. A missing or refused file: exit 1.",
    {"shift"},
    {},
    Show,
}};
}  // namespace
}  // namespace mora::cli
