#include "publish/publish_to_file.h"

#include <algorithm>
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

    if (!mp2) {
        JStreamAudioWriteBWFWavFile writer(format, folder);
        writer.SetMetadata(metadata);
        writer.Open(request.name);
        const bool ok =
            writer.IsReady() && WriteClipAudio(writer, nullptr, clips, metadata.channels, kShift);
        writer.Finish();
        writer.Close();
        if (!ok || !writer.IsGood()) return {};
        return writer.Path();
    }
    JStreamAudioWriteBWFMP2File writer(format, folder, settings.PublishFileExt);
    if (!writer.SetBitrate(bitrateIndex, format.levelValuesPerSecond)) return {};
    writer.SetMetadata(metadata, CountClipFrames(clips, kShift), false);
    writer.Open(request.name);
    const bool ok =
        writer.IsReady() && WriteClipAudio(writer, options.fastPublish ? &writer : nullptr, clips,
                                           metadata.channels, kShift);
    writer.Finish();
    writer.Close();
    if (!ok || !writer.IsGood()) return {};
    return folder + "pub_" + request.name + "." + settings.PublishFileExt;
}

}  // namespace mora
