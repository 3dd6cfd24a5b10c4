// The main window's command dispatch: every menu identifier goes to the operation that owns it.

#include <iterator>

#include "app/main_window.h"
#include "app/transport.h"
#include "platform/trace.h"
#include "project/editing.h"
#include "project/project_store.h"
#include "project/save_selection.h"
#include "ui/clip_editor_screen.h"
#include "ui/record_screen.h"

namespace mora {

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
            // The list view reports to the screen directly; the command brings it up to date.
            if (state_.currentScreen == kClipEditorScreen) ClipEditor()->FillClipList();
            return;
        case cmd::Nothing:
            return;
        case cmd::OpenProject:
            MenuOpen(state_.project, state_.settings);
            return;
        case cmd::NewProject:
            MenuNewProject(state_.project, state_.settings);
            return;
        case cmd::Delete:
            MenuDelete(state_.project);
            return;
        case cmd::CropBegin:
            if (state_.project.HasWaveformView()) CropBegin(state_.project);
            return;
        case cmd::CropEnd:
            if (state_.project.HasWaveformView()) CropEnd(state_.project);
            return;
        case cmd::SaveSelection:
            MenuSaveSelAs(state_.project, state_.settings);
            return;
        case cmd::OpenClip:
            MenuOpenClip(state_.project);
            return;
        case cmd::CutBegin:
            CutBegin(state_.project);
            return;
        case cmd::CutEnd:
            CutEnd(state_.project);
            return;
        case cmd::Mark:
            ToggleMark(state_.project);
            return;
        case cmd::CopyToClipEditor:
            MenuCopyToClipEditor(state_.project);
            return;
        case cmd::InputOptions:
            ShowInputOptions();
            return;
        case cmd::PublishClip:
        case cmd::PublishClipList:
        case cmd::ClipToFile:
        case cmd::ClipListToFile:
        case cmd::FastClip:
        case cmd::FastClipList:
        case cmd::Image:
            Publish(id);
            return;
        case cmd::RecordButton:
            if (state_.currentScreen == kRecordScreen)
                RecordScreen()->PressButton(TransportState::Armed);
            return;
        default:
            break;
    }
    Trace("command %d has no handler", id);
}

}  // namespace mora
