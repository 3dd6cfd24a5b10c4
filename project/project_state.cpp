#include "project/project_state.h"

namespace mora {

ProjectState::ProjectState() {
    format.levelShift = shift;
}

void ProjectState::RefreshScreens() const {
    if (hooks.refreshScreens) hooks.refreshScreens();
}
void ProjectState::RefreshButtons() const {
    if (hooks.refreshButtons) hooks.refreshButtons();
}
void ProjectState::ListChanged() const {
    if (hooks.listChanged) hooks.listChanged();
}
void ProjectState::TotalChanged() const {
    if (hooks.totalChanged) hooks.totalChanged();
}
bool ProjectState::HasWaveformView() const {
    return hooks.waveformView && hooks.waveformView();
}

}  // namespace mora
