// The project slot until the project store takes it over: the program chooses and remembers the
// project's folder and name; reading and writing the project file belong to the store.

#include "app/app_state.h"
#include "app/not_built.h"
#include "platform/program_dir.h"
#include "platform/trace.h"

namespace mora {

void NotBuilt(const char* what) {
    Trace("not available yet: %s", what);
}

ProjectSlot DefaultProjectSlot() {
    ProjectSlot slot;
    slot.setUp = [](AppState& state, const std::string& path) {
        state.project.folder = FolderOf(path);
        state.project.name = FileNameOf(path);
        state.project.text.clear();
    };
    slot.load = [](AppState& state) {
        Trace("project %s%s.mpr chosen", state.project.folder.c_str(), state.project.name.c_str());
        NotBuilt("loading the project file");
    };
    slot.save = [](AppState&) { NotBuilt("saving the project file"); };
    return slot;
}

}  // namespace mora
