// The main window's command dispatch: every menu identifier goes to the operation that owns it.

#include <iterator>

#include "app/main_window.h"
#include "app/not_built.h"
#include "platform/trace.h"

namespace mora {

namespace {

// Commands whose owners (projects, editing, clip list, publishing, the record screen) are not
// part of the program yet.
struct PendingCommand {
    int id;
    const char* what;
};

constexpr PendingCommand kPendingCommands[] = {
    {cmd::PublishClip, "publishing the clip"},
    {cmd::OpenProject, "opening a project"},
    {cmd::NewProject, "creating a new project"},
    {cmd::Delete, "deleting the recording or project"},
    {cmd::CropBegin, "cropping before the position"},
    {cmd::CropEnd, "cropping after the position"},
    {cmd::SaveSelection, "saving the selection"},
    {cmd::PublishClipList, "publishing the clip list"},
    {cmd::OpenClip, "opening a recording"},
    {cmd::CutBegin, "setting the start of a cut"},
    {cmd::CutEnd, "cutting"},
    {cmd::Mark, "inserting or deleting a marker"},
    {cmd::CopyToClipEditor, "copying the selection into the clip list"},
    {cmd::ClipToFile, "publishing the clip to a file"},
    {cmd::ClipListToFile, "publishing the clip list to a file"},
    {cmd::FastClip, "fast publishing of the clip"},
    {cmd::FastClipList, "fast publishing of the clip list"},
};

}  // namespace

void MainWindow::Command(int id) {
    switch (id) {
        case cmd::Record:
        case cmd::Editor:
        case cmd::ClipEditor:
        case cmd::About:
            SwitchScreen(id - cmd::Record);
            return;
        case cmd::EditText:
            if (!TextEditorOpen()) OpenTextEditor();
            return;
        case cmd::Exit:
            state_.quitting = true;
            if (postQuit) postQuit();
            return;
        case cmd::ClipListNotify:
            if (state_.currentScreen == kClipEditorScreen) NotBuilt("clip list notification");
            return;
        case cmd::Nothing:
            return;
        case cmd::InputOptions:
            ShowInputOptions();
            return;
        case cmd::Image:
            if (TextEditorOpen()) CloseTextEditor();
            NotBuilt("publishing images and video");
            return;
        case cmd::RecordButton:
            if (state_.currentScreen == kRecordScreen) NotBuilt("the record button");
            return;
        default:
            break;
    }
    for (const PendingCommand& pending : kPendingCommands) {
        if (pending.id == id) {
            NotBuilt(pending.what);
            return;
        }
    }
    Trace("command %d has no handler", id);
}

}  // namespace mora
