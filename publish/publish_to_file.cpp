#include "publish/publish_to_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "audio/audio_reader.h"
#include "audio/bwf_file_writers.h"
#include "audio/recording_reader.h"
#include "platform/program_dir.h"
#include "platform/system_facts.h"
#include "stream/binary_io.h"

namespace mora {
namespace {
constexpr uint32_t kCopyChunk = 16384;

struct FrameRange {
    uint32_t first;
    uint32_t end;
};

// The MP2 frames of each stretch of a clip, within the frames the file holds.
std::vector<FrameRange> ClipFrames(const PublishClip& clip, const EngineFormat& format,
                                   uint32_t totalFrames) {
    std::vector<FrameRange> ranges;
    for (auto [b, e] : UncutStretches(clip)) {
        const uint32_t first =
            std::min(Mp2FrameOfUnit(format, static_cast<int32_t>(b)), totalFrames);
        const uint32_t end = std::min(Mp2FrameOfUnit(format, static_cast<int32_t>(e)), totalFrames);
        if (end > first) ranges.push_back({first, end});
    }
    return ranges;
}

bool WritePcmClip(JStreamAudioWrite& writer, const PublishClip& clip, EngineFormat& format) {
    JStreamAudioReadWavFile reader(format);
    const uint32_t length = reader.ReadLength(clip.recordingPath);
    if (length == 0) return false;
    reader.SetFileName(clip.recordingPath);
    std::vector<int16_t> unit(size_t{OutputFramesPerUnit(format)} *
                              static_cast<size_t>(format.outputChannels));
    for (auto [b, e] : UncutStretches(clip)) {
        // Only the audio the file holds, whatever its level file claims.
        e = std::min(e, length);
        if (b >= e) continue;
        reader.StartAt(static_cast<int32_t>(b));
        for (uint32_t u = b; u < e; ++u) {
            if (!writer.IsReady() || !reader.IsGood()) break;
            reader.GetUnit(unit.data());
            writer.WriteSamples(reinterpret_cast<const uint8_t*>(unit.data()),
                                static_cast<uint32_t>(unit.size() * 2));
        }
    }
    const bool ok = reader.IsGood() && writer.IsReady();
    reader.CloseFile();
    return ok;
}

bool WriteMp2Clip(JStreamAudioWrite& writer, JStreamWrMP2* reencoder, const PublishClip& clip,
                  EngineFormat& format) {
    JStreamAudioReadMP2File reader(format);
    if (reader.ReadLength(clip.recordingPath) == 0) return false;
    const uint32_t frameLength = reader.FrameLength();
    const uint32_t totalFrames = reader.Frames();
    JStreamFile file(clip.recordingPath, true);
    if (!file.IsReadable() || frameLength == 0) return false;
    Mp2Decoder decoder;
    std::vector<uint8_t> chunk;
    std::vector<int16_t> decoded, left(kMp2FrameSamples);
    for (FrameRange range : ClipFrames(clip, format, totalFrames)) {
        uint64_t at = reader.DataStart() + uint64_t{range.first} * frameLength;
        const uint64_t end = reader.DataStart() + uint64_t{range.end} * frameLength;
        file.SetPosition(at);
        if (!reencoder) {
            while (at < end && writer.IsReady() && file.IsReadable()) {
                chunk.resize(static_cast<size_t>(std::min<uint64_t>(kCopyChunk, end - at)));
                if (!ReadBytes(file, chunk.data(), static_cast<uint32_t>(chunk.size())))
                    return false;
                writer.WriteEncoded(chunk.data(), static_cast<uint32_t>(chunk.size()));
                at += chunk.size();
            }
            continue;
        }
        chunk.resize(frameLength);
        for (uint32_t f = range.first; f < range.end && writer.IsReady(); ++f) {
            if (!ReadBytes(file, chunk.data(), frameLength)) return false;
            Mp2Header header;
            std::copy_n(chunk.begin(), 4, header.bytes);
            if (!decoder.IsStarted()) decoder.Start(header);
            decoded.clear();
            decoder.DecodeFrame(chunk.data(), frameLength, clip.channels, decoded);
            for (uint32_t i = 0; i < kMp2FrameSamples; ++i)
                left[i] =
                    decoded.size() >= size_t{kMp2FrameSamples} * static_cast<size_t>(clip.channels)
                        ? decoded[i * static_cast<uint32_t>(clip.channels)]
                        : 0;
            reencoder->EncodeMonoFrame(left.data());
        }
    }
    decoder.Finish();
    return writer.IsReady();
}
}  // namespace

uint32_t CountClipFrames(const std::vector<PublishClip>& clips, uint32_t levelShift) {
    uint32_t frames = 0;
    for (const PublishClip& clip : clips) {
        EngineFormat format;
        format.levelShift = levelShift;
        format.mp2BitrateIndex = clip.mp2BitrateIndex;
        format.stereo = clip.channels == 2;
        JStreamAudioReadMP2File reader(format);
        const bool readable = reader.ReadLength(clip.recordingPath) > 0;
        for (FrameRange r : ClipFrames(clip, format, readable ? reader.Frames() : 0))
            frames += r.end - r.first;
    }
    return frames;
}

bool WriteClipAudio(JStreamAudioWrite& writer, JStreamWrMP2* reencoder,
                    const std::vector<PublishClip>& clips, int outputChannels,
                    uint32_t levelShift) {
    for (const PublishClip& clip : clips) {
        EngineFormat format;
        format.levelShift = levelShift;
        format.outputChannels = outputChannels;
        format.mp2BitrateIndex = clip.mp2BitrateIndex;
        format.stereo = clip.channels == 2;
        const bool ok = clip.mp2 ? WriteMp2Clip(writer, reencoder, clip, format)
                                 : WritePcmClip(writer, clip, format);
        if (!ok) return false;
    }
    return true;
}

std::string PublishToFile(const ToFileRequest& request, const Settings& settings,
                          std::string& error) {
    constexpr uint32_t kShift = 2;
    const LevelTables tables = BuildLevelTables();
    std::vector<PublishClip> clips;
    for (const std::string& path : request.recordings) {
        PublishClip clip;
        if (!LoadPublishClip(path, tables, kShift, clip)) {
            error = "cannot publish " + path;
            return {};
        }
        clips.push_back(std::move(clip));
    }
    if (clips.empty()) {
        error = "no recording to publish";
        return {};
    }
    const bool mp2 = clips.front().mp2;
    for (const PublishClip& clip : clips) {
        if (clip.mp2 != mp2 ||
            (mp2 && !request.fast && clip.mp2BitrateIndex != clips.front().mp2BitrateIndex)) {
            error =
                "the recordings differ in format or bitrate and cannot be published as one file";
            return {};
        }
    }
    const std::string folder = FolderOf(clips.front().recordingPath);
    AudioWriteFormat format;
    format.levelValuesPerSecond = 5u << kShift;
    BwfSourceOptions options;
    options.description = request.description;
    options.fastPublish = mp2 && request.fast;
    options.levelValuesPerSecond = format.levelValuesPerSecond;
    options.tickLow = static_cast<uint16_t>(TickCountMs());
    const int bitrateIndex =
        options.fastPublish ? settings.FastPublishBitrateIndex : clips.front().mp2BitrateIndex;
    options.mp2BitrateKbps = kMp2BitratesKbps[static_cast<size_t>(std::min(bitrateIndex, 11))];
    const BwfMetadata metadata = BuildBwfMetadata(MakeBwfSource(clips, settings, tables, options));

    // Written under a temporary name beside the target: a failed publication leaves the
    // previous file of that name as it was.
    const std::string partName = request.name + ".part";
    const std::string extension = mp2 ? settings.PublishFileExt : "wav";
    const std::string partPath = folder + "pub_" + partName + "." + extension;
    const std::string path = folder + "pub_" + request.name + "." + extension;
    bool ok = false;
    if (!mp2) {
        JStreamAudioWriteBWFWavFile writer(format, folder);
        writer.SetMetadata(metadata);
        writer.Open(partName);
        ok = writer.IsReady() && WriteClipAudio(writer, nullptr, clips, metadata.channels, kShift);
        writer.Finish();
        writer.Close();
        ok = ok && writer.IsGood();
    } else {
        JStreamAudioWriteBWFMP2File writer(format, folder, settings.PublishFileExt);
        if (writer.SetBitrate(bitrateIndex, format.levelValuesPerSecond)) {
            writer.SetMetadata(metadata, CountClipFrames(clips, kShift), false);
            writer.Open(partName);
            ok = writer.IsReady() && WriteClipAudio(writer, options.fastPublish ? &writer : nullptr,
                                                    clips, metadata.channels, kShift);
            writer.Finish();
            writer.Close();
            ok = ok && writer.IsGood();
        }
    }
    if (ok && std::rename(partPath.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        std::remove(partPath.c_str());
        return {};
    }
    return path;
}

}  // namespace mora
