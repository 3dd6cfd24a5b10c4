#include "publish/publish_clips.h"

#include <sys/stat.h>

#include <ctime>
#include <memory>

#include "audio/level_builder.h"
#include "audio/level_file_reads.h"
#include "audio/recording_reader.h"
#include "platform/program_dir.h"

namespace mora {
namespace {
RecordingTime FileTime(const std::string& path) {
    RecordingTime t;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return t;
    std::tm local{};
    localtime_r(&st.st_mtim.tv_sec, &local);
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.millisecond = static_cast<int>(st.st_mtim.tv_nsec / 1000000);
    return t;
}
}  // namespace

bool LoadPublishClip(const std::string& recordingPath, const LevelTables& tables,
                     uint32_t levelShift, PublishClip& clip,
                     const std::pair<uint32_t, uint32_t>* range) {
    EngineFormat format;
    format.levelShift = levelShift;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    if (OpenRecordingReader(recordingPath, format, reader, mp2) == 0) return false;

    clip = PublishClip{};
    clip.recordingPath = recordingPath;
    clip.levelPath = LevelFilePathOf(recordingPath);
    clip.mp2 = mp2;
    clip.channels = format.channels;
    clip.recordingRate = format.recordingRate;
    clip.mp2BitrateIndex = format.mp2BitrateIndex;
    clip.name = FileNameOf(recordingPath);
    clip.fileTime = FileTime(recordingPath);

    auto edit = std::make_unique<RecordingEdit>();
    edit->shift = levelShift;
    if (!LoadVuFile(*edit, clip.levelPath)) {
        if (!BuildLevelsFromAudio(*reader, format, tables, *edit)) return false;
        SaveVuFile(*edit, clip.levelPath);
    }
    // An MP2 file runs at 48 kHz whatever was captured; its level file knows the input's rate
    // (older ones do not, and the file's rate is all there is to name).
    if (mp2) clip.recordingRate = edit->captureRate ? edit->captureRate : 48000;
    const uint32_t begin = range ? range->first : edit->cropBegin;
    const uint32_t end = range ? range->second : edit->cropEnd;
    clip.begin = std::min(begin, edit->levelCount);
    clip.end = std::min(std::max(end, clip.begin), edit->levelCount);
    clip.cuts.assign(edit->cuts.begin(), edit->cuts.begin() + edit->cutCount);
    clip.markers.assign(edit->markers.begin(), edit->markers.begin() + edit->markerCount);
    for (auto [b, e] : UncutStretches(clip))
        clip.levels.insert(clip.levels.end(), edit->levels.begin() + b, edit->levels.begin() + e);
    return true;
}

std::vector<std::pair<uint32_t, uint32_t>> UncutStretches(const PublishClip& clip) {
    std::vector<std::pair<uint32_t, uint32_t>> stretches;
    WalkUncut(clip.begin, clip.end, clip.cuts.data(), static_cast<uint32_t>(clip.cuts.size()),
              [&](uint32_t b, uint32_t e) { stretches.emplace_back(b, e); });
    return stretches;
}

BwfSource MakeBwfSource(const std::vector<PublishClip>& clips, const Settings& settings,
                        const LevelTables& tables, const BwfSourceOptions& options) {
    BwfSource source;
    source.description = options.description;
    source.fastPublish = options.fastPublish;
    source.mp2BitrateKbps = options.mp2BitrateKbps;
    source.levelValuesPerSecond = options.levelValuesPerSecond;
    source.tickLow = options.tickLow;
    source.umidCountry = settings.UmidCountry;
    source.umidOrg = settings.UmidOrg;
    source.umidUser = settings.UmidUser;
    for (int level = 0; level < 256; ++level)
        source.levelToPeak[static_cast<size_t>(level)] = static_cast<uint8_t>(
            std::min<uint16_t>(255, ReversePeak(tables, static_cast<uint8_t>(level))));
    if (!clips.empty()) {
        source.firstRecording = clips.front().fileTime;
        source.mp2Recordings = clips.front().mp2;
        source.recordingRate = clips.front().recordingRate;
    }
    for (const PublishClip& clip : clips) {
        BwfClip out;
        out.name = clip.name;
        out.levels = clip.levels;
        // Fast publishing encodes the left channel only; the file must say mono.
        out.channels = options.fastPublish ? 1 : clip.channels;
        for (size_t i = 0; i < clip.markers.size(); ++i) {
            const uint32_t m = clip.markers[i];
            if (m < clip.begin || m >= clip.end) continue;
            bool cutAway = false;
            for (const VuCut& cut : clip.cuts) cutAway |= m >= cut.begin && m < cut.end;
            if (cutAway) continue;  // a marker inside a cut has no place in the published audio
            out.markers.emplace_back(EffectiveLength(clip.begin, m, clip.cuts.data(),
                                                     static_cast<uint32_t>(clip.cuts.size())),
                                     static_cast<int>(i));
        }
        source.clips.push_back(std::move(out));
    }
    return source;
}

}  // namespace mora
