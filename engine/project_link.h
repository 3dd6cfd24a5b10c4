#pragma once
// The engine's view of the program's project state: recordings are numbered and listed by the
// project store, and the engine records into and plays from the state's current recording.

#include "engine/engine_project.h"
#include "project/project_state.h"

namespace mora {

class ProjectLink : public EngineProject {
  public:
    explicit ProjectLink(ProjectState& state) : state_(state) {}

    std::string Folder() const override { return state_.folder; }
    bool Mp2() const override { return state_.mp2; }
    bool RecordToFtp() const override { return state_.recordToFtp; }
    std::string NextRecording() override;
    void PreviousRecording() override;
    void AppendRecording(const std::string& audioPath, uint32_t length) override;
    void SaveProject() override;
    std::string SelectNextRecording() override;
    void EngineBusy(bool recording, bool playing) override;

  private:
    ProjectState& state_;
    // A single clip played to its end: the next row is selected once the last buffers are
    // back, so their positions do not move the new clip's cursor.
    bool selectAfterPlayback_ = false;
};

}  // namespace mora
