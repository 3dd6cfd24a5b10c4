#include "engine/project_link.h"

#include "project/clip_list.h"
#include "project/current_recording.h"
#include "project/project_store.h"

namespace mora {

std::string ProjectLink::NextRecording() {
    mora::NextRecording(state_);
    return state_.recording.name;
}

void ProjectLink::PreviousRecording() {
    mora::PreviousRecording(state_);
    // The project's last recording that exists becomes current again.
    if (!state_.clips.entries.empty())
        SelectClip(state_, static_cast<int32_t>(state_.clips.entries.size()) - 1);
}

void ProjectLink::AppendRecording(const std::string&, uint32_t) {
    mora::AppendRecording(state_);
}

void ProjectLink::SaveProject() {
    mora::SaveProject(state_);
}

std::string ProjectLink::SelectNextRecording() {
    if (state_.clips.singleClip) {
        selectAfterPlayback_ = true;
        return {};
    }
    if (SelectNext(state_) == NextClip::Stop) return {};
    return state_.recording.audioPath;
}

void ProjectLink::EngineBusy(bool recording, bool playing) {
    // The recorder fills the edit state with the new recording's levels: the one shown until
    // now keeps its edits.
    if (recording) KeepUnsavedEdits(state_);
    state_.activity.recording = recording;
    state_.activity.playing = playing;
    if (!playing && selectAfterPlayback_) {
        selectAfterPlayback_ = false;
        SelectNext(state_);
    }
}

}  // namespace mora
