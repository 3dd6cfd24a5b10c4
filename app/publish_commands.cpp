// The Publish menu: the checks, the hand-over of the clip or the clip list, and the publish
// job with its dialogs over the main window.

#include "app/main_window.h"
#include "platform/program_dir.h"
#include "project/current_recording.h"
#include "project/editing.h"
#include "publish/publish_entries.h"
#include "publish/publish_job.h"
#include "publish/publish_log.h"
#include "stream/report.h"
#include "ui/publish_dialogs.h"

namespace mora {
namespace {
class AnsweredDialogs : public PublishDialogs {
  public:
    explicit AnsweredDialogs(std::function<bool(const PublishDialogRequest&)> answer)
        : answer_(std::move(answer)) {}
    bool Run(const PublishDialogRequest& request) override { return answer_(request); }

  private:
    std::function<bool(const PublishDialogRequest&)> answer_;
};
}  // namespace

void MainWindow::Publish(int id) {
    ProjectState& project = state_.project;
    QtPublishDialogs qtDialogs(state_.settings, state_.lastState, state_.publishSession, this);
    AnsweredDialogs answered(publishDialog);
    PublishDialogs* dialogs = publishDialog ? static_cast<PublishDialogs*>(&answered) : &qtDialogs;
    PublishEnv env{
        state_.settings,        state_.lastState, state_.publishSession,       state_.internet,
        state_.imagePublishers, dialogs,          ProgramFile(kPublishLogFile)};
    if (id == cmd::Image) {
        if (state_.publishing || project.activity.recording) return;
        if (TextEditorOpen()) CloseTextEditor();
        state_.publishing = true;
        RunImageJob(project.recording.name.empty() ? project.name : project.recording.name,
                    project.text, env);
        state_.publishing = false;
        return;
    }
    const bool clipList =
        id == cmd::PublishClipList || id == cmd::ClipListToFile || id == cmd::FastClipList;
    PublishCheck check;
    check.clipList = clipList;
    check.variant = id != cmd::PublishClip && id != cmd::PublishClipList;
    check.recording = project.activity.recording;
    check.jobRunning = state_.publishing;
    check.nothingToPublish =
        clipList ? project.clips.entries.empty()
                 : project.recording.audioPath.empty() || EffectiveLength(project.edit) == 0;
    check.sampleRate = project.format.recordingRate;
    const std::string refusal = CheckPublish(check, state_.settings);
    if (refusal == "-") return;
    if (!refusal.empty()) {
        ReportError(refusal);
        return;
    }

    PrepareClipPublish(project);
    const std::vector<ClipEntry> entries =
        clipList
            ? project.clips.entries
            : (check.nothingToPublish ? std::vector<ClipEntry>{} : CurrentClipForPublish(project));
    if (TextEditorOpen()) CloseTextEditor();
    PublishRequest request;
    if (!LoadEntriesForPublish(project, entries, request.clips)) return;
    request.baseName = clipList ? project.name : project.recording.name;
    request.text = project.text;
    request.outputFolder = project.folder;
    request.toFile = id == cmd::ClipToFile || id == cmd::ClipListToFile;
    request.fast = id == cmd::FastClip || id == cmd::FastClipList;
    request.levelShift = project.shift;
    state_.publishing = true;
    RunPublishJob(request, env);
    state_.publishing = false;
}

}  // namespace mora
