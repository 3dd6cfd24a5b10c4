// mora-cli record / play PROJECT.mpr: the program's recorder and player over a project, on the
// devices MORA_AUDIO chooses, driven by the same buffer-done callbacks as in Mora.

#include "cli/engine_commands.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "audio/recording_reader.h"
#include "engine/engine.h"
#include "engine/project_link.h"
#include "engine/recovery.h"
#include "platform/audio/audio_system.h"
#include "platform/event_loop.h"
#include "platform/program_dir.h"
#include "project/clip_list.h"
#include "project/project_store.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

constexpr int kPollTimer = 3;
constexpr int kInterruptTimer = 4;

volatile std::sig_atomic_t interrupted = 0;

// Everything one engine needs, built from the settings and the project file.
struct CliEngine {
    BlockingEventLoop loop;
    std::unique_ptr<AudioSystem> audio;
    Settings settings;
    LastState lastState;
    ProjectState project;
    InputDsp dsp;
    InternetState internet;
    ProjectLink link{project};
    std::unique_ptr<Engine> engine;
    bool timedOut = false;
    int idleTicks = 0;
    uint32_t lastActivity = 0;

    bool LoadSettingsFrom(const Args& args, const char* command) {
        const std::string ini = args.Get("ini", ProgramFile("MoraIni.sup"));
        if (!LoadSettings(settings, ini) && args.Has("ini")) {
            std::fprintf(stderr, "mora-cli %s: cannot read the settings file %s\n", command,
                         ini.c_str());
            return false;
        }
        return true;
    }

    bool Open(const char* command) {
        auto choice = OpenAudioSystemFromEnvironment(loop);
        if (!choice.system) {
            std::fprintf(stderr, "mora-cli %s: MORA_AUDIO: %s\n", command, choice.error.c_str());
            return false;
        }
        if (!choice.notice.empty()) std::fprintf(stderr, "%s\n", choice.notice.c_str());
        audio = std::move(choice.system);
        // The external interface is the last input whose name begins with "MAYCOM".
        int interface = -1;
        const auto inputs = audio->InputDevices();
        for (size_t i = 0; i < inputs.size(); ++i)
            if (inputs[i].compare(0, 6, "MAYCOM") == 0) interface = static_cast<int>(i);
        if (interface >= 0) settings.CompensateInCodecs = 0;
        TakeSettings(project.format, settings);
        project.format.externalInterface = interface >= 0;
        project.format.levelShift = project.shift;
        project.format.stereo = settings.RecordStereo != 0;
        dsp.channels = project.format.stereo ? 2 : 1;
        ComputeAllSections(dsp, settings, lastState.RecordGain);
        EngineContext context{loop,
                              *audio,
                              settings,
                              lastState,
                              project.format,
                              dsp,
                              project.edit.rec,
                              project.reader,
                              link,
                              internet,
                              interface,
                              {},
                              {}};
        engine = std::make_unique<Engine>(context);
        return true;
    }

    // Runs the loop until `done` holds, Ctrl-C having the same effect as `stop`.
    void Run(const std::function<bool()>& done, const std::function<void()>& stop) {
        interrupted = 0;
        std::signal(SIGINT, [](int) { interrupted = 1; });
        loop.StartTimer(kInterruptTimer, 100, [stop] {
            if (!interrupted) return;
            interrupted = 0;
            stop();
        });
        loop.StartTimer(kPollTimer, 20, [this, done] {
            if (done()) loop.Quit();
            // Nothing came back for five seconds: the device has stopped answering.
            const uint32_t activity = engine->SavedBuffers() + engine->ShownPosition() +
                                      static_cast<uint32_t>(engine->ReadPosition()) +
                                      engine->CurrentLevel() + counter;
            idleTicks = activity == lastActivity ? idleTicks + 1 : 0;
            lastActivity = activity;
            if (idleTicks > 250) {
                timedOut = true;
                loop.Quit();
            }
        });
        loop.Run();
        loop.StopTimer(kPollTimer);
        loop.StopTimer(kInterruptTimer);
        std::signal(SIGINT, SIG_DFL);
    }
    uint32_t counter = 0;  // buffers seen, for the watchdog
};

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ParseNumber(const std::string& text, double& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && !*end && !errno && std::isfinite(out) && out >= 0;
}

// The project at `path`: loaded when its file exists, else a new project there in the format
// of the settings.
bool OpenProject(CliEngine& cli, const std::string& path, bool mustExist, const char* command) {
    std::string folder, name;
    SplitPath(path, folder, name);
    if (name.empty() || path.size() < 4 || path.compare(path.size() - 4, 4, ".mpr") != 0) {
        std::fprintf(stderr, "mora-cli %s: name a project file ending in .mpr\n", command);
        return false;
    }
    if (FileExists(path)) return OpenProjectFile(cli.project, cli.settings, path);
    if (mustExist) {
        std::fprintf(stderr, "mora-cli %s: %s does not exist\n", command, path.c_str());
        return false;
    }
    // A new project needs its folder: without it the recorder would only find no room.
    if (struct stat st{};
        !folder.empty() && (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        std::fprintf(stderr, "mora-cli %s: the folder %s does not exist\n", command,
                     folder.c_str());
        return false;
    }
    TakeFormatFromSettings(cli.project, cli.settings);
    StartNewProject(cli.project, cli.settings, path);
    return true;
}

int Record(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli record: name one project (.mpr)\n");
        return kExitUsage;
    }
    double seconds = 0;
    if (args.Has("seconds") && !(ParseNumber(args.Get("seconds", ""), seconds) && seconds > 0)) {
        std::fprintf(stderr, "mora-cli record: --seconds takes a number above 0\n");
        return kExitUsage;
    }
    std::vector<uint32_t> marks;
    if (auto list = args.Get("mark-at")) {
        std::stringstream in(*list);
        std::string item;
        while (std::getline(in, item, ',')) {
            double t = 0;
            if (!ParseNumber(item, t)) {
                std::fprintf(stderr, "mora-cli record: --mark-at takes seconds (0 or more)\n");
                return kExitUsage;
            }
            marks.push_back(static_cast<uint32_t>(std::lround(t * 20)));
        }
    }
    CliEngine cli;
    if (!cli.LoadSettingsFrom(args, "record")) return kExitUsage;
    if (args.Has("mp2")) cli.settings.RecordMp2 = 1;
    if (args.Has("wav")) cli.settings.RecordMp2 = 0;
    if (args.Has("stereo")) cli.settings.RecordStereo = 1;
    if (args.Has("mono")) cli.settings.RecordStereo = 0;
    if (auto index = args.Get("bitrate-index")) {
        double n = 0;
        if (!ParseNumber(*index, n) || n > 11 || n != std::floor(n)) {
            std::fprintf(stderr, "mora-cli record: --bitrate-index takes 0 to 11\n");
            return kExitUsage;
        }
        cli.settings.Mp2BitrateIndex = static_cast<uint8_t>(n);
    }
    if (!OpenProject(cli, args.positional[0], false, "record")) return kExitFailed;
    // The command line's format applies to this recording whatever the project held.
    if (args.Has("mp2") || args.Has("wav")) cli.project.mp2 = cli.settings.RecordMp2 != 0;
    if (args.Has("stereo") || args.Has("mono")) cli.project.stereo = cli.settings.RecordStereo;
    if (args.Has("bitrate-index")) cli.project.bitrateIndex = cli.settings.Mp2BitrateIndex;
    if (args.Has("record-to-ftp")) cli.project.recordToFtp = true;
    if (!cli.Open("record")) return kExitUsage;
    Engine& engine = *cli.engine;
    // A recording a crash interrupted is finished before the next one starts.
    if (auto recovered = RecoverInterruptedRecording(cli.project))
        std::fprintf(stderr, "%s\n", RecoveredText(*recovered, cli.project.shift).c_str());

    const uint32_t wanted = static_cast<uint32_t>(std::lround(seconds * 20));
    engine.events.level = [&](uint8_t) {
        ++cli.counter;
        if (!engine.Saving()) return;
        for (uint32_t m : marks)
            if (engine.SavedBuffers() == m) engine.InsertMarker();
        if (wanted > 0 && engine.SavedBuffers() + 1 >= wanted) engine.StopInput();
    };
    if (engine.StartInput() != 0) return kExitFailed;
    engine.RequestSaving();
    cli.Run([&] { return !engine.InputRunning() && !engine.Saving() && !engine.SavingRequested(); },
            [&] { engine.StopInput(); });
    engine.CloseInput();
    if (cli.timedOut) {
        std::fprintf(stderr, "mora-cli record: the input stopped returning buffers\n");
        return kExitFailed;
    }
    const std::string path = engine.RecordingPath();
    Json json;
    json["recording"] = path;
    json["levelFile"] = LevelFilePathOf(path);
    json["levelCount"] = engine.LastDropped() ? 0u : cli.project.edit.rec.levelCount;
    Json markers = Json::array();
    if (!engine.LastDropped())
        for (uint32_t i = 0; i < cli.project.edit.rec.markerCount; ++i)
            markers.push_back(cli.project.edit.rec.markers[i]);
    json["markers"] = markers;
    json["dropped"] = engine.LastDropped();
    std::cout << json.dump(2) << "\n";
    return kExitOk;
}

const CommandRegistrar kRecord{{
    "record",
    "PROJECT.mpr [--seconds S] [--mark-at T,...] [--mp2|--wav] [--stereo|--mono]\n"
    "       [--bitrate-index N] [--record-to-ftp] [--ini FILE]",
    "Records into the project's next recording as Mora does: starts the input, saves from the\n"
    "next buffer for S seconds (counted in input buffers; until Ctrl-C without --seconds), sets\n"
    "a marker at each T seconds, stops and adds the recording to the project (created as a new\n"
    "project when its file does not exist). Prints the recording, its level file, level count\n"
    "and markers as JSON; \"dropped\" is true when it was under one second and not kept.",
    {"seconds", "mark-at", "bitrate-index", "ini"},
    {"mp2", "wav", "stereo", "mono", "record-to-ftp"},
    Record,
}};

}  // namespace

int PlayProject(const Args& args) {
    CliEngine cli;
    if (!cli.LoadSettingsFrom(args, "play")) return kExitUsage;
    if (!OpenProject(cli, args.positional[0], true, "play")) return kExitFailed;
    const int32_t count = static_cast<int32_t>(cli.project.clips.entries.size());
    double clip = cli.project.selectedClip >= 0 ? cli.project.selectedClip : 0;
    if (args.Has("clip") && (!ParseNumber(args.Get("clip", ""), clip) || clip >= count)) {
        std::fprintf(stderr, "mora-cli play: --clip takes 0 to %d\n", count - 1);
        return kExitUsage;
    }
    double from = -1;
    if (args.Has("from") && !ParseNumber(args.Get("from", ""), from)) {
        std::fprintf(stderr, "mora-cli play: --from takes a level unit\n");
        return kExitUsage;
    }
    if (count == 0) {
        std::fprintf(stderr, "mora-cli play: the project has no recordings\n");
        return kExitFailed;
    }
    if (!cli.Open("play")) return kExitUsage;
    Engine& engine = *cli.engine;
    if (args.Has("all")) clip = 0;
    if (!SelectClip(cli.project, static_cast<int32_t>(clip)) ||
        engine.OpenRecording(cli.project.recording.audioPath) == 0)
        return kExitFailed;
    engine.RestartPlaying(from >= 0 ? static_cast<int32_t>(from)
                                    : static_cast<int32_t>(cli.project.edit.rec.cropBegin));
    engine.SetTransport(args.Has("all") ? kPlayAll : kPlaying);
    engine.events.position = [&](int32_t) { ++cli.counter; };
    if (engine.StartPlaying(cli.project.format.channels) != 0) return kExitFailed;
    cli.Run([&] { return !engine.Playing() && !engine.OutputOpen(); },
            [&] { engine.StopPlaying(); });
    engine.ExitPlaying();
    if (cli.timedOut) {
        std::fprintf(stderr, "mora-cli play: the output stopped returning buffers\n");
        return kExitFailed;
    }
    Json json;
    json["recording"] = cli.project.recording.audioPath;
    json["position"] = engine.ShownPosition();
    std::cout << json.dump(2) << "\n";
    return kExitOk;
}

}  // namespace mora::cli
