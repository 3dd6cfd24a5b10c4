// The main window's command dispatch: every menu identifier goes to the operation that owns it.

#include <iterator>

#include "app/main_window.h"
#include "app/not_built.h"
#include "platform/trace.h"
#include "project/editing.h"
#include "project/project_store.h"
#include "project/save_selection.h"

namespace mora {

namespace {

// Commands whose owners (projects, editing, clip list, publishing, the record screen) are not
// part of the program yet.
struct PendingCommand {
    int id;
    const char* what;
};

constexpr PendingCommand kPendingCommands[] = {
    {40020, "publishing the clip"},           {40038, "publishing the clip list"},
    {40052, "publishing the clip to a file"}, {40054, "publishing the clip list to a file"},
    {40062, "fast publishing of the clip"},   {40063, "fast publishing of the clip list"},
};

}  // namespace

void MainWindow::Command(int id) {
    switch (id) {
        case 40007:
        case 40008:
        case 40009:
        case 40011:
            SwitchScreen(id - kFirstScreenItem);
            return;
        case 40010:
            if (!TextEditorOpen()) OpenTextEditor();
            return;
        case 40024:
            state_.quitting = true;
            if (postQuit) postQuit();
            return;
        case 40029:
            if (state_.currentScreen == kClipEditorScreen) NotBuilt("clip list notification");
            return;
        case 40044:
            return;
        case 40025:
            MenuOpen(state_.project, state_.settings);
            return;
        case 40026:
            MenuNewProject(state_.project, state_.settings);
            return;
        case 40028:
            MenuDelete(state_.project);
            return;
        case 40033:
            if (state_.project.HasWaveformView()) CropBegin(state_.project);
            return;
        case 40034:
            if (state_.project.HasWaveformView()) CropEnd(state_.project);
            return;
        case 40036:
            MenuSaveSelAs(state_.project, state_.settings);
            return;
        case 40039:
            MenuOpenClip(state_.project);
            return;
        case 40041:
            CutBegin(state_.project);
            return;
        case 40042:
            CutEnd(state_.project);
            return;
        case 40043:
            ToggleMark(state_.project);
            return;
        case 40047:
            MenuCopyToClipEditor(state_.project);
            return;
        case 40049:
            ShowInputOptions();
            return;
        case 40055:
            if (TextEditorOpen()) CloseTextEditor();
            NotBuilt("publishing images and video");
            return;
        case 40057:
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
