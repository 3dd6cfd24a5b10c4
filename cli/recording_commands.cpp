// mora-cli info / decode: recordings read exactly as the player reads them.

#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/recording_reader.h"
#include "audio/wav_file_writer.h"
#include "cli/command.h"
#include "stream/jstream_file.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

// The recording named first on the command line, read as the player reads it. Returns an exit
// status when it cannot be read (0 otherwise) and sets `length`.
int OpenNamedRecording(const Args& args, EngineFormat& format,
                       std::unique_ptr<JStreamAudioReadFile>& reader, bool& mp2, uint32_t& length) {
    const auto shift = ShiftOption(args);
    if (!shift) return kExitUsage;
    format.levelShift = *shift;
    length = OpenRecordingReader(args.positional[0], format, reader, mp2);
    return length == 0 ? kExitFailed : kExitOk;
}

int Info(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli info: name one recording\n");
        return kExitUsage;
    }
    EngineFormat format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    uint32_t length = 0;
    if (int status = OpenNamedRecording(args, format, reader, mp2, length)) return status;
    Json json;
    json["format"] = mp2 ? "mp2" : "wav";
    json["rate"] = mp2 ? 48000u : format.recordingRate;
    json["channels"] = format.channels;
    json["bits"] = format.width;
    json["length"] = length;
    json["dataStart"] = reader->DataStart();
    std::cout << json.dump(2) << "\n";
    return kExitOk;
}

int Decode(const Args& args) {
    if (args.positional.size() != 2) {
        std::fprintf(stderr, "mora-cli decode: name the recording and the WAV file to write\n");
        return kExitUsage;
    }
    EngineFormat format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    uint32_t length = 0;
    if (int status = OpenNamedRecording(args, format, reader, mp2, length)) return status;
    format.outputChannels = format.channels;
    reader->StartAt(0);
    if (!reader->IsReady()) return kExitFailed;

    const uint32_t frames = OutputFramesPerUnit(format);
    const auto channels = static_cast<uint16_t>(format.outputChannels);
    const uint64_t dataBytes = static_cast<uint64_t>(length) * frames * channels * 2;
    if (dataBytes > 0xFFFFFFFFull - 36) {
        std::fprintf(stderr, "mora-cli decode: the decoded audio would not fit in a WAV file\n");
        return kExitFailed;
    }
    JStreamFile out(args.positional[1], false);
    if (!out.IsWritable()) return kExitFailed;
    const auto header = PcmWavHeader(channels, OutputRate(format), 16, dataBytes);
    out.Write(header.data(), static_cast<uint32_t>(header.size()));
    std::vector<int16_t> unit(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < length && reader->IsReady() && out.IsWritable(); ++i) {
        reader->GetUnit(unit.data());
        out.Write(unit.data(), static_cast<uint32_t>(unit.size() * 2));
    }
    const bool ok = reader->IsReady() && out.IsWritable();
    reader->CloseFile();
    out.Close();
    return ok ? kExitOk : kExitFailed;
}

const CommandRegistrar kInfo{{
    "info",
    "FILE [--shift S]",
    "Validates a recording as the player does (an MP2 file's bitrate and channel mode are\n"
    "adopted first) and prints JSON: format (\"wav\" or \"mp2\"), rate, channels, bits, length in\n"
    "level units and dataStart. A refused file prints the reason on stderr, exit status 1.\n"
    "--shift sets the level-resolution shift (default 2: 20 level units per second).",
    {"shift"},
    {},
    Info,
}};

const CommandRegistrar kDecode{{
    "decode",
    "FILE OUT.wav [--shift S]",
    "Reads a recording level unit by level unit exactly as the player does (44100 Hz output,\n"
    "the file's channel count) and writes the result as a 16-bit WAV file.",
    {"shift"},
    {},
    Decode,
}};
}  // namespace
}  // namespace mora::cli
