#pragma once
// What the publish commands hand to a job: the clips of the clip list, or the one-entry list of
// the current recording, loaded from their recordings and level files.

#include <string>
#include <vector>

#include "project/project_state.h"
#include "publish/publish_clips.h"

namespace mora {

// Loads each entry's recording with the entry's range (its crop range when it has none) and
// its clip name as title. False when a recording is refused (shown); `clips` then holds those
// before it.
bool LoadEntriesForPublish(const ProjectState& state, const std::vector<ClipEntry>& entries,
                           std::vector<PublishClip>& clips);

}  // namespace mora
