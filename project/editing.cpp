#include "project/editing.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui_services.h"
#include "project/clip_list.h"
#include "project/current_recording.h"
#include "project/project_store.h"
#include "stream/report.h"

namespace mora {
namespace {

bool ValidCut(const EditState& edit, int32_t index) {
    return index >= 0 && static_cast<uint32_t>(index) < edit.rec.cutCount;
}

bool IsCutType(int type) {
    return type >= kUndoCutDeleted && type <= kUndoCutEndDrag;
}

bool IsBeginType(int type) {
    return type == kUndoCutBegin || type == kUndoCutBeginDrag;
}

bool IsEndType(int type) {
    return type == kUndoCutEnd || type == kUndoCutEndDrag;
}

void RecordUndo(EditState& edit, UndoRecord record) {
    edit.undo = record;
    edit.redo = {};
}

// Inserts a marker at `position`, keeping the table ascending; false when it is full or the
// marker exists.
bool InsertMarker(ProjectState& state, uint32_t position) {
    RecordingEdit& rec = state.edit.rec;
    if (rec.markerCount >= kMaxMarkers) return false;
    auto* begin = rec.markers.data();
    auto* end = begin + rec.markerCount;
    auto* at = std::upper_bound(begin, end, position);
    if (at != begin && *(at - 1) == position) return false;
    std::copy_backward(at, end, end + 1);
    *at = position;
    ++rec.markerCount;
    SaveCurrentVuFile(state);
    return true;
}

bool DeleteMarker(ProjectState& state, uint32_t position) {
    RecordingEdit& rec = state.edit.rec;
    auto* begin = rec.markers.data();
    auto* end = begin + rec.markerCount;
    auto* at = std::find(begin, end, position);
    if (at == end) return false;
    std::copy(at + 1, end, at);
    --rec.markerCount;
    SaveCurrentVuFile(state);
    return true;
}

}  // namespace

bool SaveCurrentVuFile(ProjectState& state) {
    return SaveVuFile(state.edit.rec, state.recording.levelPath);
}

void UpdateLengths(ProjectState& state) {
    state.edit.unsaved = true;
    const uint32_t length = EffectiveLength(state.edit);
    ClipList& list = state.clips;
    if (state.selectedClip >= 0 && state.selectedClip < static_cast<int32_t>(list.entries.size())) {
        ClipEntry& entry = list.entries[state.selectedClip];
        entry.rangeBegin = state.edit.rec.cropBegin;
        entry.rangeEnd = state.edit.rec.cropEnd;
        entry.length = length;
        entry.duration = length / (5u << state.shift);
        BuildEntryTexts(entry, list.displayMode);
        SaveProject(state);
        RecomputeTotal(state);
        state.ListChanged();
    } else {
        list.totalLength = length;
        state.TotalChanged();
    }
}

void CropBegin(ProjectState& state) {
    RecordingEdit& rec = state.edit.rec;
    rec.cropBegin = state.edit.cursor;
    if (rec.cropBegin > rec.cropEnd) rec.cropEnd = rec.levelCount;
    UpdateLengths(state);
}

void CropEnd(ProjectState& state) {
    RecordingEdit& rec = state.edit.rec;
    rec.cropEnd = state.edit.cursor;
    if (rec.cropEnd < rec.cropBegin) rec.cropBegin = 0;
    UpdateLengths(state);
}

void CutBegin(ProjectState& state) {
    EditState& edit = state.edit;
    if (!ValidCut(edit, edit.selectedCut)) {
        edit.cursor = std::min(edit.cursor, edit.rec.levelCount);
        InsertCut(state, edit.cursor, edit.cursor);
        edit.selectedCut = -1;
    } else {
        VuCut& cut = edit.rec.cuts[edit.selectedCut];
        if (edit.cursor < cut.end) {
            if (cut.begin != cut.end)
                RecordUndo(edit, {kUndoCutBegin, edit.selectedCut, cut.begin});
            cut.begin = edit.cursor;
            UpdateLengths(state);
        }
    }
    state.RefreshButtons();
}

void CutEnd(ProjectState& state) {
    EditState& edit = state.edit;
    if (!ValidCut(edit, edit.selectedCut)) {
        edit.cursor = std::min(edit.cursor, edit.rec.levelCount);
        InsertCut(state, edit.cursor, edit.cursor);
        edit.selectedCut = -1;
    } else {
        VuCut& cut = edit.rec.cuts[edit.selectedCut];
        if (edit.cursor > cut.begin) {
            if (cut.begin != cut.end) RecordUndo(edit, {kUndoCutEnd, edit.selectedCut, cut.end});
            cut.end = edit.cursor;
            UpdateLengths(state);
        }
    }
    state.RefreshButtons();
}

int32_t InsertCut(ProjectState& state, uint32_t begin, uint32_t end) {
    RecordingEdit& rec = state.edit.rec;
    if (rec.cutCount >= kMaxCuts) return -1;
    uint32_t at = 0;
    while (at < rec.cutCount && rec.cuts[at].begin <= end) ++at;
    std::copy_backward(rec.cuts.begin() + at, rec.cuts.begin() + rec.cutCount,
                       rec.cuts.begin() + rec.cutCount + 1);
    rec.cuts[at] = {begin, end, 0};
    ++rec.cutCount;
    SaveCurrentVuFile(state);
    return static_cast<int32_t>(at);
}

void DeleteCut(ProjectState& state, int32_t index) {
    EditState& edit = state.edit;
    if (!ValidCut(edit, index)) return;
    RecordingEdit& rec = edit.rec;
    const VuCut cut = rec.cuts[index];
    RecordUndo(edit, {kUndoCutDeleted, index, cut.begin, cut.end, cut.reserved});
    std::copy(rec.cuts.begin() + index + 1, rec.cuts.begin() + rec.cutCount,
              rec.cuts.begin() + index);
    --rec.cutCount;
    SaveCurrentVuFile(state);
    edit.selectedCut = -1;
    UpdateLengths(state);
    state.RefreshButtons();
}

void DragCutEnd(ProjectState& state, int kind) {
    EditState& edit = state.edit;
    if (kind < 0 || kind > 3) return;
    const bool dragPending =
        edit.undo.type == kUndoCutBeginDrag || edit.undo.type == kUndoCutEndDrag;
    if (kind >= 2 && dragPending) return;
    if (!ValidCut(edit, edit.selectedCut)) return;
    const VuCut& cut = edit.rec.cuts[edit.selectedCut];
    if (cut.begin == cut.end) return;
    RecordUndo(edit, {kUndoCutBegin + kind, edit.selectedCut, kind % 2 == 0 ? cut.begin : cut.end});
}

void MoveCutEnd(ProjectState& state, bool end, uint32_t position) {
    EditState& edit = state.edit;
    if (!ValidCut(edit, edit.selectedCut)) return;
    VuCut& cut = edit.rec.cuts[edit.selectedCut];
    position = std::min(position, edit.rec.levelCount);
    if (end) {
        cut.end = std::max(position, cut.begin);
    } else {
        cut.begin = std::min(position, cut.end);
    }
    UpdateLengths(state);
    state.RefreshButtons();
}

void SelectCut(ProjectState& state, int32_t index) {
    state.edit.selectedCut = ValidCut(state.edit, index) ? index : -1;
    state.RefreshButtons();
}

void ToggleMark(ProjectState& state) {
    EditState& edit = state.edit;
    if (DeleteMarker(state, edit.cursor)) {
        RecordUndo(edit, {kUndoMarkerDeleted, 0, edit.cursor});
    } else {
        InsertMarker(state, edit.cursor);
    }
    state.RefreshButtons();
}

bool CursorOnMarker(const ProjectState& state) {
    const RecordingEdit& rec = state.edit.rec;
    return std::binary_search(rec.markers.begin(), rec.markers.begin() + rec.markerCount,
                              state.edit.cursor);
}

std::optional<uint32_t> PreviousMarker(const EditState& edit) {
    const auto* begin = edit.rec.markers.data();
    const auto* at = std::lower_bound(begin, begin + edit.rec.markerCount, edit.cursor);
    if (at == begin) return std::nullopt;
    return *(at - 1);
}

std::optional<uint32_t> NextMarker(const EditState& edit) {
    const auto* begin = edit.rec.markers.data();
    const auto* end = begin + edit.rec.markerCount;
    const auto* at = std::upper_bound(begin, end, edit.cursor);
    if (at == end) return std::nullopt;
    return *at;
}

void UndoRedoMarker(ProjectState& state) {
    EditState& edit = state.edit;
    if (edit.undo.type != kUndoNone) {
        const uint32_t position = edit.undo.value;
        if (edit.undo.type == kUndoMarkerDeleted) {
            InsertMarker(state, position);
            edit.redo = {kUndoMarkerInserted, 0, position};
        } else if (edit.undo.type == kUndoMarkerInserted) {
            DeleteMarker(state, position);
            edit.redo = {kUndoMarkerDeleted, 0, position};
        }
        // A cut record is only discarded by this button.
        edit.undo = {};
    } else if (edit.redo.type == kUndoMarkerDeleted || edit.redo.type == kUndoMarkerInserted) {
        const uint32_t position = edit.redo.value;
        if (edit.redo.type == kUndoMarkerDeleted) {
            InsertMarker(state, position);
            edit.undo = {kUndoMarkerInserted, 0, position};
        } else {
            DeleteMarker(state, position);
            edit.undo = {kUndoMarkerDeleted, 0, position};
        }
        edit.redo = {};
    }
    state.RefreshButtons();
}

void UndoRedoCut(ProjectState& state) {
    EditState& edit = state.edit;
    RecordingEdit& rec = edit.rec;
    const UndoRecord undo = edit.undo;
    const UndoRecord redo = edit.redo;
    if (IsCutType(undo.type)) {
        if (undo.type == kUndoCutDeleted) {
            const int32_t index = InsertCut(state, undo.value, undo.end);
            if (index >= 0) {
                rec.cuts[index].reserved = undo.reserved;
                edit.redo = {kRedoCutRestored, index};
                edit.selectedCut = index;
            }
        } else if (ValidCut(edit, undo.index)) {
            VuCut& cut = rec.cuts[undo.index];
            uint32_t& end = IsBeginType(undo.type) ? cut.begin : cut.end;
            edit.redo = {undo.type, undo.index, end};
            end = undo.value;
            edit.selectedCut = undo.index;
        }
        edit.undo = {};
        UpdateLengths(state);
    } else if (undo.type == kUndoNone) {
        if (redo.type == kRedoCutRestored) {
            DeleteCut(state, redo.index);
            edit.redo = {};
        } else if ((IsBeginType(redo.type) || IsEndType(redo.type)) && ValidCut(edit, redo.index)) {
            VuCut& cut = rec.cuts[redo.index];
            uint32_t& end = IsBeginType(redo.type) ? cut.begin : cut.end;
            edit.undo = {redo.type, redo.index, end};
            end = redo.value;
            edit.selectedCut = redo.index;
            edit.redo = {};
        }
        UpdateLengths(state);
    }
    state.RefreshButtons();
}

std::string ProposedClipName(ProjectState& state) {
    ClipList& list = state.clips;
    if (state.selectedClip < 0 || state.selectedClip >= static_cast<int32_t>(list.entries.size())) {
        SaveCurrentVuFile(state);
        return state.recording.name;
    }
    ClipEntry& selected = list.entries[state.selectedClip];
    uint32_t largest = 0;
    for (const ClipEntry& e : list.entries) {
        if (e.name == selected.name) largest = std::max(largest, e.clipNumber);
    }
    selected.clipNumber = largest + 1;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%u.", selected.clipNumber);
    return prefix + selected.name;
}

bool CopyToClipEditor(ProjectState& state, const std::string& clipName) {
    ClipList& list = state.clips;
    const RecordingEdit& rec = state.edit.rec;
    const uint32_t begin = rec.cropBegin;
    const uint32_t end = rec.cropEnd;
    if (state.selectedClip < 0 || state.selectedClip >= static_cast<int32_t>(list.entries.size())) {
        // The recording opened outside the list joins it as a new entry.
        if (!AddClipFromFile(state, state.recording.audioPath)) return false;
        ClipEntry& entry = list.entries[state.selectedClip];
        entry.rangeBegin = begin;
        entry.rangeEnd = end;
        entry.clipName = clipName;
        state.edit.rec.cropBegin = begin;
        state.edit.rec.cropEnd = end;
        state.recording.clipName = clipName;
        UpdateLengths(state);
    } else {
        const int32_t at = state.selectedClip;
        ClipEntry copy = list.entries[at];
        copy.rangeBegin = begin;
        copy.rangeEnd = end;
        copy.clipName = clipName;
        copy.length = EffectiveLength(state.edit);
        copy.duration = copy.length / (5u << state.shift);
        BuildEntryTexts(copy, list.displayMode);
        list.entries.insert(list.entries.begin() + at, std::move(copy));
        list.current = at + 1;
        state.selectedClip = at + 1;
        RecomputeTotal(state);
        state.ListChanged();
    }
    return SaveProject(state);
}

void MenuCopyToClipEditor(ProjectState& state) {
    const std::string proposal = ProposedClipName(state);
    const auto name = Ui().TextPrompt("Type in a new name", "", proposal);
    if (!name) return;
    CopyToClipEditor(state, *name);
}

bool OpenClipFile(ProjectState& state, const std::string& audioPath) {
    KeepUnsavedEdits(state);
    MakeFileCurrent(state, audioPath);
    state.selectedClip = -1;
    const bool opened = OpenCurrentRecording(state);
    if (opened) {
        state.edit.cursor = state.edit.rec.cropBegin;
        state.clips.totalLength = EffectiveLength(state.edit);
        state.TotalChanged();
    }
    state.RefreshScreens();
    return opened;
}

void MenuOpenClip(ProjectState& state) {
    if (state.activity.Busy()) {
        ReportError("MenuOpen");
        return;
    }
    FileDialogRequest request;
    request.title = "Open Filename";
    if (state.mp2) {
        request.filters = {{"mp2 (*.mp2)", "*.mp2"}};
    } else {
        request.filters = {{"Wave (*.wav)", "*.wav"}};
    }
    request.startFolder = state.folder;
    request.mustExist = true;
    const auto path = Ui().OpenFileDialog(request);
    if (path) OpenClipFile(state, *path);
}

void PrepareClipPublish(ProjectState& state) {
    RemoveEmptyCuts(state.edit.rec, state.recording.levelPath);
    SaveCurrentVuFile(state);
}

std::vector<ClipEntry> CurrentClipForPublish(const ProjectState& state) {
    ClipEntry entry;
    entry.name = state.recording.name;
    entry.folder = state.recording.folder;
    entry.clipName = state.recording.clipName;
    entry.rangeBegin = state.edit.rec.cropBegin;
    entry.rangeEnd = state.edit.rec.cropEnd;
    entry.length = EffectiveLength(state.edit);
    entry.duration = entry.length / (5u << state.shift);
    return {entry};
}

}  // namespace mora
