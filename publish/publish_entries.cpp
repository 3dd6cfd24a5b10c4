#include "publish/publish_entries.h"

#include "audio/level_meter.h"
#include "project/current_recording.h"

namespace mora {

bool LoadEntriesForPublish(const ProjectState& state, const std::vector<ClipEntry>& entries,
                           std::vector<PublishClip>& clips) {
    const LevelTables tables = BuildLevelTables();
    clips.clear();
    for (const ClipEntry& entry : entries) {
        PublishClip clip;
        const std::pair<uint32_t, uint32_t> range{entry.rangeBegin, entry.rangeEnd};
        if (!LoadPublishClip(EntryAudioPath(state, entry), tables, state.shift, clip,
                             entry.rangeEnd != 0 ? &range : nullptr))
            return false;
        if (!entry.clipName.empty()) clip.name = entry.clipName;
        clips.push_back(std::move(clip));
    }
    return true;
}

}  // namespace mora
