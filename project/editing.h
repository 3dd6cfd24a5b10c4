#pragma once
// Editing the current recording without touching its audio: crop range, cut regions, markers
// and their undo and redo, copying a selection into the clip list, opening a recording, and
// what publishing needs done first. Inserting or deleting a marker or a cut writes the level
// file at once; moved cut ends and the crop range reach it at its next save.

#include <cstdint>
#include <optional>
#include <string>

#include "project/project_state.h"
#include "settings/settings.h"

namespace mora {

// The effective length reaches the selected clip (its range, length and texts, then the
// project file) and the list's total.
void UpdateLengths(ProjectState& state);

void CropBegin(ProjectState& state);
void CropEnd(ProjectState& state);
void CutBegin(ProjectState& state);
void CutEnd(ProjectState& state);
// Inserts the cut [begin, end) in order and saves the level file; its index (−1 when the
// table is full).
int32_t InsertCut(ProjectState& state, uint32_t begin, uint32_t end);
void DeleteCut(ProjectState& state, int32_t index);
// The waveform view is about to drag an end of the selected cut: kind 0 or 2 its begin, 1 or 3
// its end (2 and 3 while a drag record is pending).
void DragCutEnd(ProjectState& state, int kind);
// The view drags an end of the selected cut (its begin when `end` is false) to `position`; the
// end never passes the other one. Records nothing (DragCutEnd did).
void MoveCutEnd(ProjectState& state, bool end, uint32_t position);
// Selects the cut whose begin or end the cursor has landed on (−1 for none).
void SelectCut(ProjectState& state, int32_t index);
void ToggleMark(ProjectState& state);
// Whether a marker lies at the cursor ("Mark" then deletes it: "Delete marker").
bool CursorOnMarker(const ProjectState& state);
// The nearest marker before or after the cursor; nothing when there is none that way.
std::optional<uint32_t> PreviousMarker(const EditState& edit);
std::optional<uint32_t> NextMarker(const EditState& edit);
void UndoRedoMarker(ProjectState& state);
void UndoRedoCut(ProjectState& state);

// Saves the current recording's level file (nothing without levels).
bool SaveCurrentVuFile(ProjectState& state);

// "Copy to clip-editor..." with the name already chosen (the dialog's proposal is
// ProposedClipName).
std::string ProposedClipName(ProjectState& state);
bool CopyToClipEditor(ProjectState& state, const std::string& clipName);
void MenuCopyToClipEditor(ProjectState& state);

// "Open clip" with the file chosen: it becomes the current recording outside the list.
bool OpenClipFile(ProjectState& state, const std::string& audioPath);
void MenuOpenClip(ProjectState& state);

// Before "Clip" and "Cliplist" hand over to publishing: empty cuts removed, level file saved.
void PrepareClipPublish(ProjectState& state);
// The one-entry list "Clip" publishes: the current recording with its crop range, under the
// current recording's name.
std::vector<ClipEntry> CurrentClipForPublish(const ProjectState& state);

}  // namespace mora
