#include "project/project_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "audio/mp2_bitrate.h"
#include "audio/recording_reader.h"
#include "platform/program_dir.h"
#include "platform/ui_services.h"
#include "project/clip_list.h"
#include "project/current_recording.h"
#include "project/editing.h"
#include "project/project_file.h"
#include "stream/jstream_file.h"
#include "stream/replace_file.h"
#include "stream/report.h"

namespace mora {
namespace {

const std::vector<std::pair<std::string, std::string>> kProjectFilter = {
    {"Mora Project (*.mpr)", "*.mpr"}};

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void LoadTemplateText(ProjectState& state, const Settings& settings) {
    if (!settings.UseTemplateText || settings.TemplateText.empty()) return;
    std::ifstream in(settings.TemplateText, std::ios::binary);
    if (!in) return;
    std::ostringstream text;
    text << in.rdbuf();
    state.text = text.str();
}

ProjectFileData ToFileData(const ProjectState& state) {
    ProjectFileData data;
    data.bitrateIndex = state.bitrateIndex;
    data.stereo = state.stereo;
    data.mp2 = state.mp2;
    data.recordToFtp = state.recordToFtp;
    data.recordingNumber = state.recordingNumber;
    for (const ClipEntry& e : state.clips.entries) {
        data.clips.push_back(
            {e.name, e.folder, e.rangeBegin, e.rangeEnd, e.clipNumber, e.clipName});
    }
    data.text = state.text;
    data.includeImages = state.includeImages;
    data.lastImagePath = state.lastImagePath;
    data.lastImageFile = state.lastImageFile;
    data.shift = state.shift;
    data.reserved = state.reserved;
    data.selectedClip = state.selectedClip;
    return data;
}

void SetBitrateIndex(ProjectState& state, uint32_t index) {
    Mp2Bitrate bitrate;
    if (!SetBitrate(bitrate, static_cast<int>(index), 5u << state.shift)) return;
    state.bitrateIndex = index;
    state.format.mp2BitrateIndex = static_cast<uint8_t>(index);
}

// Takes what a project file holds into the state; the clip list is rebuilt from the stored
// clips with the project's folder.
void TakeFileData(ProjectState& state, const Settings& settings, const ProjectFileData& data,
                  bool open) {
    state.stereo = data.stereo.value_or(false);
    state.format.stereo = state.stereo;
    state.shift = data.shift.value_or(0);
    state.format.levelShift = state.shift;
    state.edit.rec.shift = state.shift;
    SetBitrateIndex(state, data.bitrateIndex);
    state.mp2 = data.mp2;
    state.recordToFtp = data.recordToFtp && settings.FtpTestPassed;
    state.recordingNumber = data.recordingNumber;

    ClipList& list = state.clips;
    list.entries.clear();
    list.current = -1;
    list.totalRowSelected = false;
    for (const StoredClip& stored : data.clips) {
        ClipEntry entry;
        entry.name = stored.name;
        entry.folder = state.folder;
        entry.rangeBegin = stored.rangeBegin;
        entry.rangeEnd = stored.rangeEnd;
        entry.clipNumber = stored.clipNumber;
        entry.clipName = stored.clipName;
        RefreshEntry(state, entry);
        if (entry.length > 0) list.entries.push_back(std::move(entry));
    }
    // An old project recorded as MP2 had its reader opened on the first clip here.
    if (open && data.version == 2 && state.mp2 && !state.recordToFtp && !list.entries.empty()) {
        MakeEntryCurrent(state, list.entries.front());
        OpenCurrentRecording(state);
    }
    if (!list.entries.empty()) {
        if (open) {
            SelectClip(state, 0);
        } else {
            list.current = state.selectedClip = 0;
        }
    } else {
        state.selectedClip = -1;
        ClearCurrentRecording(state);
        state.recording.clipName.clear();
        SetCurrentToRecording(state, state.recordingNumber);
    }
    RecomputeTotal(state);
    state.ListChanged();

    state.text = data.text;
    if (data.includeImages) state.includeImages = *data.includeImages;
    if (!data.lastImagePath.empty()) state.lastImagePath = data.lastImagePath;
    if (!data.lastImageFile.empty()) state.lastImageFile = data.lastImageFile;
    if (data.reserved) state.reserved = *data.reserved;
    const auto count = static_cast<int32_t>(list.entries.size());
    if (data.selectedClip) {
        state.selectedClip = *data.selectedClip;
        if (state.selectedClip >= count || state.selectedClip < -1) state.selectedClip = 0;
        if (count == 0) state.selectedClip = -1;
    }
    if (!open) {
        list.current = count > 0 ? std::max(state.selectedClip, 0) : -1;
    } else if (!SelectClip(state, state.selectedClip)) {
        state.recording.clipName.clear();
        SetCurrentToRecording(state, state.recordingNumber);
    }
}

void RemoveFile(const std::string& path, DeleteResult& result) {
    if (::unlink(path.c_str()) == 0) {
        result.deleted.push_back(path);
    } else if (errno != ENOENT) {
        result.notDeleted.push_back(path);
    }
}

// A recording's file is gone: it stops being the current recording and leaves the list.
void ForgetRecordingFile(ProjectState& state, const std::string& path) {
    if (path == state.recording.audioPath) {
        ClearCurrentRecording(state);
        state.selectedClip = -1;
    }
    RemoveByPath(state, path);
}

}  // namespace

std::string RecordingSuffix(int32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", number < 0 ? 0 : number);
    return text;
}

std::string ProjectFilePath(const ProjectState& state) {
    return state.folder + state.name + kProjectExtension;
}

std::string RecordingBase(const ProjectState& state, int32_t number) {
    return state.folder + state.name + RecordingSuffix(number);
}

const char* AudioExtension(const ProjectState& state) {
    return state.mp2 ? ".mp2" : ".wav";
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    folder.clear();
    name.clear();
    if (path.size() < 6) return;
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return;
    // Only a dot in the file name starts an extension; folders may hold dots.
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < slash) dot = path.size();
    folder = path.substr(0, slash + 1);
    name = path.substr(slash + 1, dot - slash - 1);
}

void SetCurrentToRecording(ProjectState& state, int32_t number) {
    CurrentRecording& r = state.recording;
    const std::string base = RecordingBase(state, number);
    r.folder = state.folder;
    r.name = state.name + RecordingSuffix(number);
    r.levelPath = base + ".jvu";
    r.audioPath = base + AudioExtension(state);
}

void NextRecording(ProjectState& state) {
    ++state.recordingNumber;
    SetCurrentToRecording(state, state.recordingNumber);
    state.recording.clipName.clear();
}

void PreviousRecording(ProjectState& state) {
    if (state.recordingNumber < -1) return;
    --state.recordingNumber;
    SetCurrentToRecording(state, state.recordingNumber);
}

void TakeFormatFromSettings(ProjectState& state, const Settings& settings) {
    state.mp2 = settings.RecordMp2 != 0;
    state.stereo = settings.RecordStereo != 0;
    state.shift = kDefaultLevelShift;
    state.bitrateIndex =
        settings.Mp2BitrateIndex < kMp2BitratesKbps.size() ? settings.Mp2BitrateIndex : 3;
    state.format.stereo = state.stereo;
    state.format.mp2BitrateIndex = static_cast<uint8_t>(state.bitrateIndex);
    state.format.levelShift = state.shift;
    state.edit.rec.shift = state.shift;
}

void InitProject(ProjectState& state, const Settings& settings) {
    SplitPath(settings.NewProjectPath, state.folder, state.name);
    if (state.name.empty()) state.name = "default";
    TakeFormatFromSettings(state, settings);
    state.recordingNumber = -1;
    state.selectedClip = -1;
    state.clips = ClipList{};
    state.text.clear();
    state.reserved = {};
    state.recording.clipName.clear();
    SetCurrentToRecording(state, 0);
    LoadTemplateText(state, settings);
    if (state.mp2) {
        state.reader = std::make_unique<JStreamAudioReadMP2File>(state.format);
    } else {
        state.reader = std::make_unique<JStreamAudioReadWavFile>(state.format);
    }
    state.readerMp2 = state.mp2;
}

std::optional<ProjectFileData> ReadCurrentProjectFile(const ProjectState& state) {
    // A project whose list is empty has no file: finding none is no error.
    struct stat st {};
    if (::stat(ProjectFilePath(state).c_str(), &st) != 0 && errno == ENOENT) return std::nullopt;
    JStreamFile file(ProjectFilePath(state), true);
    if (!file.IsReadable()) return std::nullopt;
    ProjectFileData data;
    const ProjectFileStatus status = ReadProjectFile(file, data);
    if (status != ProjectFileStatus::Ok) {
        ReportError(ProjectFileMessage(status));
        return std::nullopt;
    }
    return data;
}

void TakeProjectFile(ProjectState& state, const Settings& settings, const ProjectFileData& data,
                     bool open) {
    BusyCursor busy;
    TakeFileData(state, settings, data, open);
}

bool LoadProject(ProjectState& state, const Settings& settings) {
    const auto data = ReadCurrentProjectFile(state);
    if (!data) return false;
    TakeProjectFile(state, settings, *data, true);
    return true;
}

bool SaveProject(ProjectState& state) {
    const std::string path = ProjectFilePath(state);
    if (state.clips.entries.empty()) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            ReportSystemError("Cannot delete file : " + path);
            return false;
        }
        return true;
    }
    const ProjectFileData data = ToFileData(state);
    return ReplaceFileSafely(path, false, [&data](JStream& out) { WriteProjectFile(out, data); });
}

void StartNewProject(ProjectState& state, const Settings& settings, const std::string& path) {
    std::string folder;
    std::string name;
    SplitPath(path, folder, name);
    state.folder = folder;
    state.name = name.empty() ? "default" : name;
    state.recordingNumber = -1;
    state.selectedClip = -1;
    state.clips.entries.clear();
    state.clips.current = -1;
    state.clips.totalLength = 0;
    state.clips.totalRowSelected = false;
    state.recording.clipName.clear();
    SetCurrentToRecording(state, 0);
    ClearCurrentRecording(state);
    state.edit.undo = {};
    state.edit.redo = {};
    // A new project starts without the previous project's text and reserved values.
    state.text.clear();
    state.reserved = {};
    LoadTemplateText(state, settings);
    SaveProject(state);
    state.ListChanged();
    state.RefreshScreens();
}

bool OpenProjectFile(ProjectState& state, const Settings& settings, const std::string& path) {
    const std::string oldFolder = state.folder;
    const std::string oldName = state.name;
    SplitPath(path, state.folder, state.name);
    if (LoadProject(state, settings)) return true;
    state.folder = oldFolder;
    state.name = oldName;
    return false;
}

DeleteResult DeleteProjectOrRecording(ProjectState& state, const std::string& path) {
    DeleteResult result;
    RemoveFile(path, result);
    result.projectFile = EndsWith(path, kProjectExtension);
    if (!result.projectFile) {
        RemoveFile(LevelFilePathOf(path), result);
        ForgetRecordingFile(state, path);
    } else {
        BusyCursor busy;
        const std::string base = path.substr(0, path.size() - 4);
        for (int number = 0; number <= 99; ++number) {
            for (const char* ext : {".mp2", ".wav", ".jvu"}) {
                const std::string file = base + RecordingSuffix(number) + ext;
                RemoveFile(file, result);
                ForgetRecordingFile(state, file);
            }
        }
        if (base == state.folder + state.name) {
            state.selectedClip = -1;
            state.recordingNumber = -1;
        }
        SetCurrentToRecording(state, state.recordingNumber);
    }
    if (!result.notDeleted.empty()) {
        std::string text = "Cannot delete";
        for (const std::string& file : result.notDeleted) text += "\n" + file;
        ReportError(text);
    }
    return result;
}

void MenuNewProject(ProjectState& state, const Settings& settings) {
    if (state.activity.Busy()) {
        ReportError("MenuNewProject");
        return;
    }
    if (state.HasWaveformView()) SaveCurrentVuFile(state);
    FileDialogRequest request;
    request.title = "New Project Filename";
    request.filters = kProjectFilter;
    request.defaultExtension = "mpr";
    request.startFolder = FolderOf(settings.NewProjectPath) + "None/";
    request.proposedName = state.name;
    request.confirmOverwrite = true;
    const auto path = Ui().SaveFileDialog(request);
    if (!path) return;
    TakeFormatFromSettings(state, settings);
    StartNewProject(state, settings, *path);
}

void MenuOpen(ProjectState& state, const Settings& settings) {
    if (state.activity.Busy()) {
        ReportError("MenuOpen");
        return;
    }
    if (state.HasWaveformView()) SaveCurrentVuFile(state);
    FileDialogRequest request;
    request.title = "Open Project";
    request.filters = kProjectFilter;
    request.startFolder = state.folder;
    request.proposedName = ProjectFilePath(state);
    request.mustExist = true;
    const auto path = Ui().OpenFileDialog(request);
    if (!path) return;
    OpenProjectFile(state, settings, *path);
    state.ListChanged();
    state.RefreshScreens();
}

void MenuDelete(ProjectState& state) {
    if (state.activity.Busy()) {
        ReportError("MenuDelete");
        return;
    }
    FileDialogRequest request;
    request.title = "Delete Filename";
    request.filters = {kProjectFilter[0], {"Wave (*.wav)", "*.wav"}, {"mp2 (*.mp2)", "*.mp2"}};
    request.startFolder = state.folder;
    request.mustExist = true;
    const auto path = Ui().OpenFileDialog(request);
    if (!path) return;
    const std::string question = "Are you shure you want to delete " + *path + " ?";
    if (Ui().MessageBox("Warning", question, MsgIcon::Warning, MsgButtons::OkCancel) !=
        MsgAnswer::Ok) {
        return;
    }
    DeleteProjectOrRecording(state, *path);
    state.RefreshScreens();
}

}  // namespace mora
