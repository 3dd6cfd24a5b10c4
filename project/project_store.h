#pragma once
// The project store: the current project's identity and file naming, loading and saving the
// project file, the recording numbers, and the "New project", "Open project" and "Delete"
// commands.
//
// A project is a folder and a name: recording NN is folder + name + NN + ".mp2" or ".wav"
// with its level file folder + name + NN + ".jvu", and the project file is folder + name +
// ".mpr". The project file exists only while the clip list holds an entry.

#include <cstdint>
#include <optional>
#include <string>

#include "project/project_file.h"
#include "project/project_state.h"
#include "settings/settings.h"

namespace mora {

// Recording number as it appears in file names: "%.2d", a negative number as "00".
std::string RecordingSuffix(int32_t number);
std::string ProjectFilePath(const ProjectState& state);
// folder + name + NN of recording `number`.
std::string RecordingBase(const ProjectState& state, int32_t number);
// ".mp2" or ".wav" by the project's format.
const char* AudioExtension(const ProjectState& state);

// Path -> folder (ending in '/') and name without extension. A path shorter than 6
// characters, or without any '/', gives two empty strings.
void SplitPath(const std::string& path, std::string& folder, std::string& name);

// Start-up defaults: the project of NewProjectPath ("default" when it names none), recording
// number −1, the template text when asked for, the format from RecordMp2.
void InitProject(ProjectState& state, const Settings& settings);

// Reads the project file of the current folder and name. A refused file (wrong magic, too new,
// damaged) is reported and changes nothing. Entries take the project's folder; entries whose
// recording is gone are dropped.
bool LoadProject(ProjectState& state, const Settings& settings);

// The two halves of LoadProject. The file's contents, or nothing when it is refused (reported)
// or missing (silently: a project with an empty list has no file).
std::optional<ProjectFileData> ReadCurrentProjectFile(const ProjectState& state);
// Takes a project file's contents: format, the entries with the project's folder (refreshed;
// those whose recording is gone are dropped), text and images. With `open`, the selected clip
// is opened as the current recording; without, no file is read beyond the level files and
// none is written.
void TakeProjectFile(ProjectState& state, const Settings& settings, const ProjectFileData& data,
                     bool open);

// Writes the project file as version 10, or deletes it when the clip list is empty. A failed
// write is reported and leaves the old file as it was.
bool SaveProject(ProjectState& state);

// Recording number + 1, and the current recording becomes that number's files (no clip name).
void NextRecording(ProjectState& state);
// Recording number − 1 (while it is at least −1), and the current recording's paths follow.
void PreviousRecording(ProjectState& state);
// Makes recording `number` of the project the current recording's paths (clip name kept).
void SetCurrentToRecording(ProjectState& state, int32_t number);

// The settings' format for a new project: RecordMp2, RecordStereo, Mp2BitrateIndex and the
// program's level shift.
void TakeFormatFromSettings(ProjectState& state, const Settings& settings);
// "New project" once the path is chosen: an empty project at `path` (SaveProject removes a
// stale project file of that name). The format is whatever `state` holds.
void StartNewProject(ProjectState& state, const Settings& settings, const std::string& path);
// Folder and name from `path`, then LoadProject; on failure the project keeps its folder and
// name.
bool OpenProjectFile(ProjectState& state, const Settings& settings, const std::string& path);

// What "Delete" removed of a path.
struct DeleteResult {
    bool projectFile = false;             // the path was told to be a project file
    std::vector<std::string> deleted;     // files removed
    std::vector<std::string> notDeleted;  // files that exist but could not be removed
};
// "Delete" after the dialogs: removes the file (a project file by its ".mpr" extension, with
// its recordings 00 to 99; an audio file with its level file) and every clip entry that
// refers to a removed recording. What could not be removed is reported.
DeleteResult DeleteProjectOrRecording(ProjectState& state, const std::string& path);

// The menu commands, with their dialogs and refusals.
void MenuNewProject(ProjectState& state, const Settings& settings);
void MenuOpen(ProjectState& state, const Settings& settings);
void MenuDelete(ProjectState& state);

}  // namespace mora
