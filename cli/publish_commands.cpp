// mora-cli encode / bwf: MP2 encoding as a recording is made, and publishing recordings to a
// local Broadcast Wave file as the to-file commands do.

#include <cstdio>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/mp2_file_writer.h"
#include "cli/command.h"
#include "platform/program_dir.h"
#include "publish/publish_to_file.h"
#include "settings/settings.h"
#include "stream/jstream_file.h"

namespace mora::cli {
namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

int Encode(const Args& args) {
    if (args.positional.size() != 2 || !EndsWith(args.positional[1], ".mp2")) {
        std::fprintf(stderr, "mora-cli encode: name a WAV file and the .mp2 file to write\n");
        return kExitUsage;
    }
    const std::string in = args.positional[0], out = args.positional[1];
    const auto bitrateIndex = NumberOption(args, "bitrate-index", 3, 0, 11);
    if (!bitrateIndex) return kExitUsage;
    const int index = static_cast<int>(*bitrateIndex);
    JStreamFile file(in, true);
    if (!file.IsReadable()) return kExitFailed;
    const RiffLayout layout = WalkRiff(file, file.GetSize());
    if (!layout.hasData || !layout.IsIntegerPcm() || layout.bitsPerSample != 16 ||
        (layout.channels != 1 && layout.channels != 2) ||
        (layout.sampleRate != 44100 && layout.sampleRate != 48000)) {
        std::fprintf(stderr,
                     "%s: a 16-bit PCM WAV file at 44100 or 48000 Hz, mono or stereo, is needed\n",
                     in.c_str());
        return kExitFailed;
    }
    AudioWriteFormat format;
    format.recordingRate = layout.sampleRate;
    format.stereo = layout.channels == 2;
    format.bufferBytes = layout.sampleRate / 20 * layout.channels * 2;  // 0.05 s, as recorded
    JStreamAudioWriteMP2File writer(format, FolderOf(out));
    if (!writer.SetBitrate(index)) return kExitUsage;
    const std::string name = FileNameOf(out);
    writer.Open(name.substr(0, name.size() - 4));
    if (!writer.IsReady()) return kExitFailed;
    std::vector<uint8_t> buffer(format.bufferBytes);
    file.SetPosition(static_cast<int32_t>(layout.dataStart));
    for (uint64_t left = layout.dataSize; left > 0 && writer.IsReady();) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, format.bufferBytes)) /
                           (layout.channels * 2u) * (layout.channels * 2u);
        if (n == 0) break;
        file.Read(buffer.data(), n);
        writer.WriteSamples(buffer.data(), n);
        left -= n;
    }
    writer.Close();
    return writer.IsGood() ? kExitOk : kExitFailed;
}

int Bwf(const Args& args) {
    if (args.positional.size() < 2) {
        std::fprintf(stderr, "mora-cli bwf: name the publication and at least one recording\n");
        return kExitUsage;
    }
    Settings settings;
    if (!LoadCommandSettings(args, settings)) return kExitFailed;
    ToFileRequest request;
    request.name = args.positional[0];
    request.recordings.assign(args.positional.begin() + 1, args.positional.end());
    request.description = args.Get("description", "");
    request.fast = args.Has("fast");
    std::string error;
    const std::string path = PublishToFile(request, settings, error);
    if (path.empty()) {
        if (!error.empty()) std::fprintf(stderr, "mora-cli bwf: %s\n", error.c_str());
        return kExitFailed;
    }
    std::printf("%s\n", path.c_str());
    return kExitOk;
}

const CommandRegistrar kEncode{{
    "encode",
    "IN.wav OUT.mp2 [--bitrate-index N]",
    "Encodes a 16-bit WAV file (44100 or 48000 Hz, mono or stereo) to MPEG-1 Layer II at\n"
    "48000 Hz exactly as an MP2 recording is made: buffers of 0.05 s, 44100 Hz resampled.\n"
    "The bitrate index picks 32, 48, 56, 64 (default, index 3), 80, 96, 112, 128, 160, 192,\n"
    "224 or 256 kbit/s.",
    {"bitrate-index"},
    {},
    Encode,
}};

const CommandRegistrar kBwf{{
    "bwf",
    "NAME RECORDING... [--description TEXT] [--fast] [--ini FILE]",
    "Publishes the recordings, one after the other, as a Broadcast Wave file in the folder of the\n"
    "first one, as the to-file commands do: each recording's level file (built from the audio\n"
    "when missing) gives its crop range, cuts and markers. WAV recordings give \"pub_NAME.wav\"\n"
    "at 48000 Hz; MP2 recordings give \"pub_NAME.\" + PublishFileExt with their frames copied,\n"
    "or with --fast decoded and encoded again in mono at the fast-publish bitrate. Prints the\n"
    "path of the file.",
    {"description", "ini"},
    {"fast"},
    Bwf,
}};
}  // namespace
}  // namespace mora::cli
