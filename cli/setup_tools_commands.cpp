// mora-cli measure-rate / eq-preset: the setup program's sample-rate measurement and its EQ
// preset files from the shell.

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

#include "audio/eq_preset_file.h"
#include "audio/eq_presets.h"
#include "audio/rate_measurement.h"
#include "cli/command.h"
#include "platform/audio/audio_system.h"
#include "platform/event_loop.h"
#include "platform/program_dir.h"
#include "settings/settings.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

constexpr int kWatchdogTimer = 1;
constexpr int kInterruptTimer = 2;

// The file --save would replace: absent, or a settings file (anything else is left alone).
bool MayReplace(const Args& args, const std::string& ini) {
    struct stat st {};
    Settings scratch;
    if (::stat(ini.c_str(), &st) != 0 || LoadSettings(scratch, ini)) return true;
    Complain(args, ini + ": not a settings file; it was left untouched.");
    return false;
}

volatile std::sig_atomic_t interrupted = 0;

int MeasureRate(const Args& args) {
    const auto buffers = NumberOption(args, "buffers", kMeasureBuffers, 1, 100000, "buffers");
    if (!buffers) return kExitUsage;
    const std::string ini = args.Get("ini", ProgramFile("MoraIni.sup"));
    Settings settings;
    if (!LoadCommandSettings(args, settings)) return kExitFailed;
    if (args.Has("save") && !MayReplace(args, ini)) return kExitFailed;

    BlockingEventLoop loop;
    auto choice = OpenAudioSystemFromEnvironment(loop);
    if (!choice.system) {
        Complain(args, "MORA_AUDIO: " + choice.error);
        return kExitUsage;
    }
    if (!choice.notice.empty()) std::fprintf(stderr, "%s\n", choice.notice.c_str());
    SampleRateMeter meter(*choice.system);
    uint32_t measured = settings.MeasuredSampleRate;
    bool timedOut = false;
    auto watchdog = [&] {
        loop.StartTimer(kWatchdogTimer, 5000, [&] {
            timedOut = true;
            loop.Quit();
        });
    };
    auto report = [&](const RateReport& r) {
        measured = r.rate;
        std::printf("%s  %u Hz\n", CountdownText(r.countdown).c_str(), r.rate);
        std::fflush(stdout);
        watchdog();
    };
    const int rc = meter.Start(settings.MeasuredSampleRate, static_cast<uint32_t>(*buffers), report,
                               [&] { loop.Quit(); });
    if (rc != kAudioOk) {
        Complain(args, "cannot open the output: " + AudioErrorText(rc));
        return kExitFailed;
    }
    // Ctrl-C ends the measurement early, keeping the last estimate.
    interrupted = 0;
    std::signal(SIGINT, [](int) { interrupted = 1; });
    loop.StartTimer(kInterruptTimer, 100, [&] {
        if (interrupted) loop.Quit();
    });
    watchdog();
    loop.Run();
    meter.Stop();
    if (timedOut) {
        Complain(args, "the output stopped returning buffers");
        return kExitFailed;
    }
    std::printf("%u\n", measured);
    if (args.Has("save")) {
        settings.MeasuredSampleRate = measured;
        if (!SaveSettings(settings, ini)) return kExitFailed;
    }
    return kExitOk;
}

int PresetShow(const Args& args) {
    if (args.positional.size() != 1) {
        Complain(args, "name one preset file");
        return kExitUsage;
    }
    EqBandSet bands = DefaultEqBands();
    std::string error;
    if (!LoadEqPresetFile(args.positional[0], bands, error)) {
        Complain(args, error);
        return kExitFailed;
    }
    Json list = Json::array();
    for (const EqBand& b : bands)
        list.push_back(
            {{"Frequency", b.Frequency}, {"Gain", b.Gain}, {"Q", b.Q}, {"Enabled", b.Enabled}});
    std::cout << Json{{"Bands", list}}.dump(2) << "\n";
    return kExitOk;
}

int PresetSave(const Args& args) {
    if (args.positional.size() != 1) {
        Complain(args, "name one preset file to write");
        return kExitUsage;
    }
    Settings settings;
    if (!LoadCommandSettings(args, settings)) return kExitFailed;
    EqBandSet bands = settings.EqBands;
    if (auto name = args.Get("profile")) {
        const int index = FindEqPreset(settings, *name);
        if (index < 0) {
            Complain(args, "no EQ profile is named \"" + *name + "\"");
            return kExitUsage;
        }
        bands = settings.EqProfiles[index].Bands;
    }
    std::string error;
    if (!SaveEqPresetFile(args.positional[0], bands, error)) {
        Complain(args, error);
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar kMeasureRate{{
    "measure-rate",
    "[--buffers N] [--save] [--ini FILE]",
    "Measures the real sample rate of the default output for a nominal 44100 Hz, as the setup\n"
    "program does: silent buffers of 8192 samples are played (405 unless --buffers says), the\n"
    "first five let the device settle, and the estimate (starting at MeasuredSampleRate) moves\n"
    "a fifth of the way towards each new measurement. Prints the estimate after every fourth\n"
    "buffer and the final value alone on the last line; --save stores it as MeasuredSampleRate.\n"
    "Ctrl-C ends early with the last estimate.",
    {"buffers", "ini"},
    {"save"},
    MeasureRate,
}};

const CommandRegistrar kPresetShow{{
    "eq-preset show",
    "FILE",
    "Prints an EQ preset file (30 bytes: High, Mid, Low) as JSON: Bands, each with Frequency\n"
    "(Hz), Gain (tenths of a dB), Q (tenths) and Enabled.",
    {},
    {},
    PresetShow,
}};

const CommandRegistrar kPresetSave{{
    "eq-preset save",
    "FILE [--profile NAME] [--ini FILE]",
    "Writes an EQ preset file from the settings' current bands, or from the EQ profile NAME.",
    {"profile", "ini"},
    {},
    PresetSave,
}};

}  // namespace
}  // namespace mora::cli
