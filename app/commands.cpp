// The main window's command dispatch: every menu identifier goes to the operation that owns it.

#include <iterator>

#include "app/main_window.h"
#include "app/not_built.h"
#include "platform/trace.h"
#include "ui/record_screen.h"

namespace mora {

namespace {

// Commands whose owners (projects, editing, clip list, publishing, the record screen) are not
// part of the program yet.
struct PendingCommand {
    int id;
    const char* what;
};

constexpr PendingCommand kPendingCommands[] = {
    {40020, "publishing the clip"},
    {40025, "opening a project"},
    {40026, "creating a new project"},
    {40028, "deleting the recording or project"},
    {40033, "cropping before the position"},
    {40034, "cropping after the position"},
    {40036, "saving the selection"},
    {40038, "publishing the clip list"},
    {40039, "opening a recording"},
    {40041, "setting the start of a cut"},
    {40042, "cutting"},
    {40043, "inserting or deleting a marker"},
    {40047, "copying the selection into the clip list"},
    {40052, "publishing the clip to a file"},
    {40054, "publishing the clip list to a file"},
    {40062, "fast publishing of the clip"},
    {40063, "fast publishing of the clip list"},
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
        case 40049:
            ShowInputOptions();
            return;
        case 40055:
            if (TextEditorOpen()) CloseTextEditor();
            NotBuilt("publishing images and video");
            return;
        case 40057:
            if (state_.currentScreen == kRecordScreen) RecordScreen()->PressButton(kArmed);
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
