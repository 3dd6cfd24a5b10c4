#pragma once
// The clip list: the project's running order of recordings and clips cut from them, as played
// one after another and published as one piece. The list view of the clip editor shows
// ClipListRows; everything else is the model.

#include <cstdint>
#include <string>
#include <vector>

#include "project/project_state.h"

namespace mora {

// Texts of a length in level units at `shift`.
std::string DurationText(uint32_t seconds);  // "%2d:%02d"
// The total row's "%2d:%02ds.%02d".
std::string TotalLengthText(uint32_t total, uint32_t shift);
// Rebuilds the entry's duration, date, location and display texts for `displayMode`.
void BuildEntryTexts(ClipEntry& entry, int displayMode);

// File time, length, duration and texts of `entry`, which becomes the current recording on
// the way. A missing audio file gives length 0.
void RefreshEntry(ProjectState& state, ClipEntry& entry);

// Sum of the entries' lengths, stored as the list's total.
uint32_t RecomputeTotal(ProjectState& state);

// Makes entry `index` the current recording with its range and without empty cuts. False when
// the index is out of range or the recording cannot be opened.
bool SelectClip(ProjectState& state, int32_t index);

// After a recording: an entry for the current recording number, appended and selected.
void AppendRecording(ProjectState& state);
// A new entry for an audio file, inserted at the current index (or appended), selected and
// saved. Refused while playing or when the reader cannot open the file.
bool AddClipFromFile(ProjectState& state, const std::string& audioPath);

// Inserts `entry` (without range) at the current index, or appends it when the index is
// negative or beyond the list. Returns its index.
int32_t InsertEntry(ProjectState& state, ClipEntry entry);

// Removes the selected entry and selects its neighbour; saves the project.
bool RemoveCurrent(ProjectState& state);
// Removes every entry whose audio file is `audioPath`.
void RemoveByPath(ProjectState& state, const std::string& audioPath);
bool MoveUp(ProjectState& state);
bool MoveDown(ProjectState& state);
void Clear(ProjectState& state);
// The selected entry's clip name becomes `text`.
bool RenameClip(ProjectState& state, const std::string& text);
void CycleDisplayMode(ProjectState& state);

// What SelectNext did, for the player to act on.
enum class NextClip {
    Stop,      // stop playback and reset the play buttons
    Continue,  // position the reader at the cursor (crop begin) and play on
    Last,      // as Continue; the player stops after this entry
};
// The end of a clip during playback: moves to the next entry and puts the cursor at its crop
// begin.
NextClip SelectNext(ProjectState& state);

// The list view's rows: one per entry, then the total row.
struct ClipListRow {
    std::string name;  // clip name, else the recording name; "length:" on the total row
    std::string duration;
    std::string date;
    std::string location;
    std::string description;  // the display line; the total text on the total row
    bool selected = false;
};
std::vector<ClipListRow> ClipListRows(const ProjectState& state);

}  // namespace mora
