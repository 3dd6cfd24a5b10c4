#pragma once
// The current recording: which files it is, opening it (level file and reader), and its
// effective length.

#include <cstdint>
#include <string>

#include "project/project_state.h"

namespace mora {

// The audio file of an entry: folder + name + the project's extension.
std::string EntryAudioPath(const ProjectState& state, const ClipEntry& entry);

// The entry's name, folder, clip name and paths become the current recording's.
void MakeEntryCurrent(ProjectState& state, const ClipEntry& entry);
// An audio file becomes the current recording ("Open clip"): folder and name from the path,
// level file beside it, no clip name.
void MakeFileCurrent(ProjectState& state, const std::string& audioPath);

// Before another recording becomes current: a crop range or moved cut ends not yet in the
// current recording's level file are written there (not when its audio has gone).
void KeepUnsavedEdits(ProjectState& state);

// Opens the current recording: its level file (undo and redo cleared when taken over; levels
// built from the audio when the level file is missing) and a reader of the right kind. False
// when the audio cannot be opened; the level array is then empty.
bool OpenCurrentRecording(ProjectState& state);

// No recording: range 0-0, no level values, no markers or cuts.
void ClearCurrentRecording(ProjectState& state);

// The crop range without its cuts, in level units.
uint32_t EffectiveLength(const EditState& edit);

}  // namespace mora
