#include "app/startup.h"

#include <sys/stat.h>

#include "app/audio_startup.h"
#include "app/not_built.h"
#include "platform/program_dir.h"
#include "platform/trace.h"
#include "project/project_store.h"
#include "settings/ini_store.h"

namespace mora {

namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ProjectFile(const std::string& folder, const std::string& name) {
    return folder + name + kProjectExtension;
}

}  // namespace

bool IsProjectPathArgument(const std::string& commandLine) {
    return !commandLine.empty() && commandLine[0] != ' ';
}

bool LoadStartupSettings(AppState& state) {
    Settings& settings = state.settings;
    state.settingsLoaded = LoadSettings(settings, ProgramFile("MoraIni.sup"));
    settings.FtpTestPassed = 1;
    NotBuilt("recorder channels and external-interface control block");
    LoadLastState(state.lastState, settings, ProgramFile("MoraSet.sup"));
    if (settings.DigitalMicGainControl == 0) state.lastState.RecordGain = 0;
    SelectStartupEqProfile(settings);
    state.inputDsp.channels = settings.RecordStereo ? 2 : 1;
    ComputeAllSections(state.inputDsp, settings, state.lastState.RecordGain);
    DetectExternalInterface(state);
    return state.settingsLoaded;
}

void ApplyEqProfile(Settings& settings, int index) {
    const EqProfile& profile = settings.EqProfiles[index];
    settings.EqBands = profile.Bands;
    settings.EqOn = profile.EqOn;
    settings.EqOverallGain = profile.OverallGain;
}

void SelectStartupEqProfile(Settings& settings) {
    for (int i = 0; i < kEqProfileCount; ++i) {
        const std::string& name = settings.EqProfiles[i].Name;
        if (name.empty()) return;
        if (name == settings.EqProfileName) {
            ApplyEqProfile(settings, i);
            return;
        }
    }
    settings.EqOn = 0;
}

std::vector<std::string> InputOptionEntries(const Settings& settings) {
    std::vector<std::string> entries;
    for (const EqProfile& profile : settings.EqProfiles) {
        if (profile.Name.empty()) break;
        entries.push_back(profile.Name);
    }
    while (entries.size() < static_cast<size_t>(kEqProfileCount)) {
        entries.push_back("EQ" + std::to_string(entries.size()));
    }
    return entries;
}

bool ChooseInputOption(Settings& settings, const std::string& text) {
    const std::vector<std::string> entries = InputOptionEntries(settings);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == text) {
            settings.EqProfileName = entries[i];
            ApplyEqProfile(settings, static_cast<int>(i));
            return true;
        }
    }
    return false;
}

ScreenBitmapPair ChooseScreenBitmaps(Settings& settings, int displayWidth, int displayHeight) {
    if (displayWidth > displayHeight) settings.ScreenMode = 0;
    if (settings.LiteLayout) {
        return settings.ScreenMode != 0 ? ScreenBitmapPair{523, 524} : ScreenBitmapPair{509, 510};
    }
    return settings.ScreenMode != 0 ? ScreenBitmapPair{521, 522} : ScreenBitmapPair{494, 495};
}

void SetProjectFromPath(AppState& state, const std::string& path) {
    std::string name = FileNameOf(path);
    const std::string ext = kProjectExtension;
    if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0) {
        name.resize(name.size() - ext.size());
    }
    state.project.folder = FolderOf(path);
    state.project.name = name;
    state.project.text.clear();
}

void ChooseStartupProject(AppState& state) {
    if (IsProjectPathArgument(state.commandLine)) {
        SetProjectFromPath(state, state.commandLine);
        LoadProject(state.project, state.settings);
        return;
    }
    ProjectState& project = state.project;
    switch (state.settings.StartupProject) {
        case 1:
            if (FileExists(ProjectFile(project.folder, project.name)))
                LoadProject(project, state.settings);
            break;
        case 2: {
            if (!FileExists(ProjectFile(project.folder, project.name))) break;
            std::string path;
            for (unsigned counter = 1;; ++counter) {
                path = project.folder + project.name + std::to_string(counter) + "-";
                if (!FileExists(path + kProjectExtension)) break;
            }
            state.settings.NewProjectPath = path;
            InitProject(project, state.settings);
            break;
        }
        case 3: {
            const LastState& last = state.lastState;
            if (FileExists(ProjectFile(last.LastProjectFolder, last.LastProjectName))) {
                project.folder = last.LastProjectFolder;
                project.name = last.LastProjectName;
                LoadProject(project, state.settings);
            }
            break;
        }
        default:
            break;  // 0: the default project stays, nothing is loaded
    }
    Trace("start-up project %s%s", project.folder.c_str(), project.name.c_str());
}

ClientSize ReadClientSize(const std::string& sizePath) {
    int landscape = IniReadInt("Size", "Landscape", 0, sizePath);
    if (landscape != 1 && landscape != 2) landscape = 0;
    const int big = IniReadInt("Size", "Big", 1, sizePath) == 1 ? 1 : 0;
    ClientSize size{240, 270};
    if (landscape == 1) size = {320, 190};
    if (landscape == 2) size = {240, 190};
    if (big) size = {size.width * 2, size.height * 2};
    IniWriteInt("Size", "Landscape", landscape, sizePath);
    IniWriteInt("Size", "Big", big, sizePath);
    return size;
}

}  // namespace mora
