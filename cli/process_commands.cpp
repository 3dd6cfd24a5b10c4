// mora-cli process: the recorder's input processing over a 16-bit WAV file.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "audio/eq_presets.h"
#include "audio/input_processing.h"
#include "audio/level_meter.h"
#include "cli/command.h"
#include "settings/settings.h"
#include "stream/binary_io.h"
#include "stream/jstream_file.h"
#include "stream/replace_file.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

struct PcmWav {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    uint32_t dataOffset = 0;
    uint32_t dataSize = 0;
};

// Finds the format and the data of a RIFF/WAVE file; only what this command can process.
std::optional<std::string> ReadWavLayout(JStreamFile& file, PcmWav& wav) {
    uint8_t head[12];
    if (!ReadBytes(file, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return "not a WAV file";
    const uint64_t size = file.GetSize();
    uint64_t pos = 12;
    bool haveFormat = false;
    while (pos + 8 <= size) {
        file.SetPosition(static_cast<int32_t>(pos));
        uint8_t id[4];
        uint32_t length = 0;
        if (!ReadBytes(file, id, 4) || !ReadLE(file, length)) break;
        if (std::memcmp(id, "fmt ", 4) == 0 && length >= 16) {
            uint16_t format = 0, blockAlign = 0;
            uint32_t byteRate = 0;
            ReadLE(file, format);
            ReadLE(file, wav.channels);
            ReadLE(file, wav.sampleRate);
            ReadLE(file, byteRate);
            ReadLE(file, blockAlign);
            ReadLE(file, wav.bitsPerSample);
            // 0xFFFE (extensible) carries plain PCM in the files sox and ffmpeg write.
            if ((format != 1 && format != 0xFFFE) || wav.bitsPerSample != 16 ||
                (wav.channels != 1 && wav.channels != 2) || wav.sampleRate < 1000 ||
                wav.sampleRate > 384000)
                return "not 16-bit PCM mono or stereo";
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat) return "no format before the audio data";
            wav.dataOffset = static_cast<uint32_t>(pos + 8);
            wav.dataSize = static_cast<uint32_t>(std::min<uint64_t>(length, size - pos - 8));
            wav.dataSize -= wav.dataSize % (2u * wav.channels);
            return std::nullopt;
        }
        pos += 8 + static_cast<uint64_t>(length) + (length & 1);
    }
    return "no audio data";
}

void WriteWavHeader(JStream& out, const PcmWav& wav) {
    const uint16_t blockAlign = static_cast<uint16_t>(2 * wav.channels);
    out.Write("RIFF", 4);
    WriteLE<uint32_t>(out, 36 + wav.dataSize);
    out.Write("WAVEfmt ", 8);
    WriteLE<uint32_t>(out, 16);
    WriteLE<uint16_t>(out, 1);
    WriteLE<uint16_t>(out, wav.channels);
    WriteLE<uint32_t>(out, wav.sampleRate);
    WriteLE<uint32_t>(out, wav.sampleRate * blockAlign);
    WriteLE<uint16_t>(out, blockAlign);
    WriteLE<uint16_t>(out, 16);
    out.Write("data", 4);
    WriteLE<uint32_t>(out, wav.dataSize);
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
    PcmWav wav;
    if (auto error = ReadWavLayout(in, wav)) {
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
        WriteWavHeader(out, wav);
        in.SetPosition(static_cast<int32_t>(wav.dataOffset));
        for (uint32_t done = 0; done < wav.dataSize && out.IsGood();) {
            const uint32_t n = std::min(bufferBytes, wav.dataSize - done);
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
