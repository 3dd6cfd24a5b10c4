// mora-cli project show / new / add / remove / move / rename / delete: the project store and
// the clip list from the shell.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/project_cli.h"
#include "platform/program_dir.h"
#include "project/clip_list.h"
#include "project/project_store.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

const std::vector<std::string> kFormatFlags = {"mp2", "wav", "stereo", "mono"};

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool ParseIndex(const std::string& text, int32_t& index) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 1000000) return false;
    index = static_cast<int32_t>(value);
    return true;
}

// The format flags over the settings' format; false (reported) for a bad value.
bool TakeFormatFlags(const Args& args, const Settings& settings, ProjectState& state) {
    TakeFormatFromSettings(state, settings);
    if (args.Has("mp2")) state.mp2 = true;
    if (args.Has("wav")) state.mp2 = false;
    if (args.Has("stereo")) state.stereo = true;
    if (args.Has("mono")) state.stereo = false;
    if (auto text = args.Get("bitrate-index")) {
        int32_t index = 0;
        if (!ParseIndex(*text, index) || index > 11) {
            std::fprintf(stderr, "mora-cli: --bitrate-index takes 0 to 11\n");
            return false;
        }
        state.bitrateIndex = static_cast<uint32_t>(index);
    }
    state.format.stereo = state.stereo;
    state.format.mp2BitrateIndex = static_cast<uint8_t>(state.bitrateIndex);
    return true;
}

int PrintProject(const ProjectState& state) {
    std::cout << ProjectJson(state, kProjectFileVersion).dump(2) << "\n";
    return kExitOk;
}

int Show(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli project show: name one project file\n");
        return kExitUsage;
    }
    Settings settings;
    LoadCliSettings(args, settings);
    ProjectState state;
    const std::string path = AbsolutePath(args.positional[0]);
    if (!Exists(path)) {
        std::fprintf(stderr, "%s: no such project file\n", path.c_str());
        return kExitFailed;
    }
    SplitPath(path, state.folder, state.name);
    const auto data = ReadCurrentProjectFile(state);
    if (!data) return kExitFailed;
    TakeProjectFile(state, settings, *data, false);
    std::cout << ProjectJson(state, data->version).dump(2) << "\n";
    return kExitOk;
}

int New(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli project new: name one project path\n");
        return kExitUsage;
    }
    Settings settings;
    if (!LoadCliSettings(args, settings)) return kExitFailed;
    ProjectState state;
    if (!TakeFormatFlags(args, settings, state)) return kExitUsage;
    StartNewProject(state, settings, AbsolutePath(args.positional[0]));
    std::cout << ProjectFilePath(state) << "\n";
    return kExitOk;
}

int Add(const Args& args) {
    if (args.positional.size() < 2) {
        std::fprintf(stderr, "mora-cli project add: name the project file and the recordings\n");
        return kExitUsage;
    }
    Settings settings;
    LoadCliSettings(args, settings);
    ProjectState state;
    const std::string path = AbsolutePath(args.positional[0]);
    if (Exists(path)) {
        if (!OpenCliProject(state, settings, path)) return kExitFailed;
    } else {
        if (!TakeFormatFlags(args, settings, state)) return kExitUsage;
        StartNewProject(state, settings, path);
    }
    for (size_t i = 1; i < args.positional.size(); ++i) {
        // As with the list view's total row selected: every file goes to the end.
        state.clips.totalRowSelected = true;
        if (!AddClipFromFile(state, AbsolutePath(args.positional[i]))) {
            std::fprintf(stderr, "mora-cli project add: %s was not added\n",
                         args.positional[i].c_str());
            return kExitFailed;
        }
    }
    return PrintProject(state);
}

// Opens the project and selects entry INDEX (the second positional) as the list view would.
int OpenAtIndex(const Args& args, size_t count, const char* command, ProjectState& state) {
    if (args.positional.size() != count) {
        std::fprintf(stderr, "mora-cli project %s: wrong number of arguments\n", command);
        return kExitUsage;
    }
    int32_t index = 0;
    if (!ParseIndex(args.positional[1], index)) {
        std::fprintf(stderr, "mora-cli project %s: INDEX is a clip number from 0\n", command);
        return kExitUsage;
    }
    Settings settings;
    LoadCliSettings(args, settings);
    if (!OpenCliProject(state, settings, AbsolutePath(args.positional[0]))) return kExitFailed;
    if (index >= static_cast<int32_t>(state.clips.entries.size())) {
        std::fprintf(stderr, "mora-cli project %s: the list has no clip %d\n", command, index);
        return kExitFailed;
    }
    SelectClip(state, index);
    state.clips.current = state.selectedClip = index;
    return kExitOk;
}

int Remove(const Args& args) {
    ProjectState state;
    if (int status = OpenAtIndex(args, 2, "remove", state)) return status;
    if (!RemoveCurrent(state)) return kExitFailed;
    return PrintProject(state);
}

int Move(const Args& args) {
    ProjectState state;
    if (int status = OpenAtIndex(args, 3, "move", state)) return status;
    const std::string& way = args.positional[2];
    if (way != "up" && way != "down") {
        std::fprintf(stderr, "mora-cli project move: up or down\n");
        return kExitUsage;
    }
    if (!(way == "up" ? MoveUp(state) : MoveDown(state))) {
        std::fprintf(stderr, "mora-cli project move: the clip cannot move %s\n", way.c_str());
        return kExitFailed;
    }
    if (!SaveProject(state)) return kExitFailed;
    return PrintProject(state);
}

int Rename(const Args& args) {
    ProjectState state;
    if (int status = OpenAtIndex(args, 3, "rename", state)) return status;
    if (!RenameClip(state, args.positional[2]) || !SaveProject(state)) return kExitFailed;
    return PrintProject(state);
}

int Delete(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli project delete: name one file\n");
        return kExitUsage;
    }
    const std::string path = AbsolutePath(args.positional[0]);
    if (!Exists(path)) {
        std::fprintf(stderr, "%s: no such file\n", path.c_str());
        return kExitFailed;
    }
    if (!args.Has("yes")) {
        std::fprintf(stderr, "Warning: Are you shure you want to delete %s ? (--yes answers OK)\n",
                     path.c_str());
        return kExitFailed;
    }
    // The project the file belongs to is not open: its list drops the entry when it is next
    // loaded.
    ProjectState state;
    const DeleteResult result = DeleteProjectOrRecording(state, path);
    Json json;
    json["projectFile"] = result.projectFile;
    json["deleted"] = result.deleted;
    json["notDeleted"] = result.notDeleted;
    std::cout << json.dump(2) << "\n";
    return result.notDeleted.empty() ? kExitOk : kExitFailed;
}

const CommandRegistrar kShow{{
    "project show",
    "PROJECT.mpr [--ini FILE]",
    "Loads a project file as opening it does (entries whose recording is gone are left out)\n"
    "and prints it as JSON: the file's version, name, folder, format, recording number,\n"
    "selected clip, shift, text, images, reserved values, the clips with their ranges, lengths\n"
    "and texts, and the total. Changes no file. A wrong magic or version: exit 1.",
    {"ini"},
    {},
    Show,
}};

const CommandRegistrar kNew{{
    "project new",
    "PATH [--mp2|--wav] [--stereo|--mono] [--bitrate-index N] [--ini FILE]",
    "Starts a new project at PATH as \"New project\" does, with the format from the flags, else\n"
    "from the settings. Prints the project file's path; the file exists only once the list\n"
    "has an entry (a stale project file of that name is removed).",
    {"bitrate-index", "ini"},
    kFormatFlags,
    New,
}};

const CommandRegistrar kAdd{{
    "project add",
    "PROJECT.mpr AUDIO... [--mp2|--wav] [--stereo|--mono] [--bitrate-index N] [--ini FILE]",
    "Adds each recording to the end of the clip list, as choosing it in \"Open Filename\"\n"
    "does. A project whose file does not exist yet starts as \"New project\" with the format\n"
    "from the flags, else the settings. Prints the project as `project show` does.",
    {"bitrate-index", "ini"},
    kFormatFlags,
    Add,
}};

const CommandRegistrar kRemove{{
    "project remove",
    "PROJECT.mpr INDEX",
    "Removes clip INDEX (from 0) from the list and saves the project (the project file goes\n"
    "with the last entry). Prints the project.",
    {"ini"},
    {},
    Remove,
}};

const CommandRegistrar kMove{{
    "project move",
    "PROJECT.mpr INDEX up|down",
    "Swaps clip INDEX with its neighbour above or below and saves the project. Prints it.",
    {"ini"},
    {},
    Move,
}};

const CommandRegistrar kRename{{
    "project rename",
    "PROJECT.mpr INDEX TEXT",
    "Gives clip INDEX the clip name TEXT and saves the project. Prints it.",
    {"ini"},
    {},
    Rename,
}};

const CommandRegistrar kDelete{{
    "project delete",
    "PATH [--yes]",
    "\"Delete\" without the dialogs: an audio file goes with its level file; a project file\n"
    "(.mpr) with its recordings 00 to 99. --yes answers the question; without it nothing is\n"
    "deleted (exit 1). Prints what was deleted and what could not be (exit 1).",
    {},
    {"yes"},
    Delete,
}};

}  // namespace

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

bool LoadCliSettings(const Args& args, Settings& settings) {
    const std::string ini = args.Get("ini", ProgramFile("MoraIni.sup"));
    const bool loaded = LoadSettings(settings, ini);
    if (!loaded && args.Has("ini")) {
        std::fprintf(stderr, "%s: not a settings file\n", ini.c_str());
        return false;
    }
    settings.FtpTestPassed = 1;
    return true;
}

bool OpenCliProject(ProjectState& state, const Settings& settings, const std::string& path) {
    if (!Exists(path)) {
        std::fprintf(stderr, "%s: no such project file\n", path.c_str());
        return false;
    }
    return OpenProjectFile(state, settings, path);
}

Json ProjectJson(const ProjectState& state, uint32_t version) {
    Json json;
    json["version"] = version;
    json["name"] = state.name;
    json["folder"] = state.folder;
    json["mp2"] = state.mp2;
    json["stereo"] = state.stereo;
    json["bitrateIndex"] = state.bitrateIndex;
    json["recordToFtp"] = state.recordToFtp;
    json["recordingNumber"] = state.recordingNumber;
    json["selectedClip"] = state.selectedClip;
    json["shift"] = state.shift;
    json["text"] = state.text;
    json["includeImages"] = state.includeImages;
    json["lastImagePath"] = state.lastImagePath;
    json["lastImageFile"] = state.lastImageFile;
    const ProjectReserved& r = state.reserved;
    json["reserved"] = Json::array({r.first, r.second, r.third, r.fourth, r.fifth});
    Json clips = Json::array();
    for (const ClipEntry& e : state.clips.entries) {
        clips.push_back({{"name", e.name},
                         {"folder", e.folder},
                         {"clipName", e.clipName},
                         {"clipNumber", e.clipNumber},
                         {"rangeBegin", e.rangeBegin},
                         {"rangeEnd", e.rangeEnd},
                         {"length", e.length},
                         {"duration", e.duration},
                         {"durationText", e.durationText},
                         {"dateText", e.dateText},
                         {"locationText", e.locationText}});
    }
    json["clips"] = clips;
    json["totalLength"] = state.clips.totalLength;
    json["totalText"] = TotalLengthText(state.clips.totalLength, state.shift);
    return json;
}

}  // namespace mora::cli
