// mora-cli process: the recorder's input processing over a 16-bit WAV file.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/eq_presets.h"
#include "audio/input_processing.h"
#include "audio/level_meter.h"
#include "cli/command.h"
#include "platform/program_dir.h"
#include "platform/riff.h"
#include "settings/settings.h"
#include "stream/jstream_file.h"
#include "stream/replace_file.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

// What this command can process: 16-bit integer PCM, mono or stereo.
std::optional<std::string> Refusal(const RiffLayout& wav) {
    if (!wav.isRiff) return "not a WAV file";
    if (!wav.hasFormat) return "no format before the audio data";
    if (!wav.IsIntegerPcm() || wav.bitsPerSample != 16 ||
        (wav.channels != 1 && wav.channels != 2) || wav.sampleRate < 1000 ||
        wav.sampleRate > 384000)
        return "not 16-bit PCM mono or stereo";
    if (!wav.hasData) return "no audio data";
    return std::nullopt;
}

int Process(const Args& args) {
    if (args.positional.size() != 2) {
        std::fprintf(stderr, "mora-cli process: name the input and the output WAV file\n");
        return kExitUsage;
    }
    const auto gainOption = NumberOption(args, "gain", 0, 0, kMaxRecordGain, "whole dB");
    if (!gainOption) return kExitUsage;
    const auto gain = static_cast<uint32_t>(*gainOption);
    Settings settings;
    if (!LoadCommandSettings(args, settings)) return kExitFailed;
    int preset = -1;
    if (auto name = args.Get("eq-profile")) {
        preset = FindEqPreset(settings, *name);
        if (preset < 0) {
            std::fprintf(stderr, "mora-cli process: no EQ profile named \"%s\"\n", name->c_str());
            return kExitUsage;
        }
    }

    const std::string& inPath = args.positional[0];
    JStreamFile in(inPath, true);
    if (!in.IsReadable()) return kExitFailed;
    const RiffLayout wav = WalkRiff(in, in.GetSize());
    if (auto error = Refusal(wav)) {
        std::fprintf(stderr, "%s: %s\n", inPath.c_str(), error->c_str());
        return kExitFailed;
    }

    InputDsp dsp;
    dsp.sampleRate = wav.sampleRate;
    dsp.channels = wav.channels;
    if (preset >= 0) {
        SelectPreset(dsp, settings, gain, preset);
    } else {
        ComputeAllSections(dsp, settings, gain);
    }
    const LevelTables tables = BuildLevelTables();
    // One buffer holds 0.05 s, as the recorder's do at 20 level values a second.
    const uint32_t blockAlign = 2u * wav.channels;
    const uint32_t bufferBytes = std::max(1u, wav.sampleRate / 20) * blockAlign;
    std::vector<uint8_t> buffer(bufferBytes);
    std::vector<int> levels;
    bool readFailed = false;
    const bool written = ReplaceFileSafely(args.positional[1], false, [&](JStream& out) {
        const auto header = PcmWavHeader(wav.channels, wav.sampleRate, 16, wav.dataSize);
        out.Write(header.data(), static_cast<uint32_t>(header.size()));
        in.SetPosition(static_cast<int32_t>(wav.dataStart));
        for (uint64_t done = 0; done < wav.dataSize && out.IsGood();) {
            const auto n =
                static_cast<uint32_t>(std::min<uint64_t>(bufferBytes, wav.dataSize - done));
            in.Read(buffer.data(), n);
            if (!in.IsReadable()) {
                readFailed = true;
                out.state &= ~JStream::good;
                break;
            }
            ProcessInputBuffer(dsp, buffer.data(), n);
            levels.push_back(BufferLevel(tables, buffer.data(), n, 16));
            out.Write(buffer.data(), n);
            done += n;
        }
    });
    if (!written || readFailed) return kExitFailed;
    if (args.Has("levels")) {
        Json json;
        json["sampleRate"] = wav.sampleRate;
        json["channels"] = wav.channels;
        json["levels"] = levels;
        std::cout << json.dump() << "\n";
    }
    return kExitOk;
}

const CommandRegistrar kProcess{{
    "process",
    "IN.wav OUT.wav [--gain DB] [--eq-profile NAME] [--levels] [--ini FILE]",
    "Runs the recorder's input processing over a 16-bit PCM WAV file (mono or stereo) in\n"
    "buffers of 0.05 s: DC removal, the input equaliser and the input gain (0 to 40 dB,\n"
    "default 0), and writes the result as a WAV file. The equaliser is the EQ profile NAME of\n"
    "the settings, or the current bands, switch and make-up gain of the settings (MoraIni.sup\n"
    "in the program folder, or --ini FILE). --levels prints the level byte of every buffer\n"
    "(0 = full scale, 79 = -49 dB or quieter) as JSON.",
    {"gain", "eq-profile", "ini"},
    {"levels"},
    Process,
}};
}  // namespace
}  // namespace mora::cli
