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
#include "publish/clip_writer.h"
#include "stream/binary_io.h"

namespace mora {

bool WriteClipAudio(JStreamAudioWrite& writer, JStreamWrMP2* reencoder,
                    const std::vector<PublishClip>& clips, int outputChannels,
                    uint32_t levelShift) {
    for (const PublishClip& clip : clips)
        if (!WriteClip(writer, reencoder, clip, outputChannels, levelShift, 0, [] {
                 return true;
             }).complete)
            return false;
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
