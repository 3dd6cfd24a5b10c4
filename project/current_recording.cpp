#include "project/current_recording.h"

#include <sys/stat.h>

#include <algorithm>

#include "audio/level_builder.h"
#include "audio/level_file_reads.h"
#include "audio/recording_reader.h"
#include "project/project_store.h"

namespace mora {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

void ClearUndo(EditState& edit) {
    edit.undo = {};
    edit.redo = {};
}

}  // namespace

std::string EntryAudioPath(const ProjectState& state, const ClipEntry& entry) {
    return entry.folder + entry.name + AudioExtension(state);
}

void MakeEntryCurrent(ProjectState& state, const ClipEntry& entry) {
    CurrentRecording& r = state.recording;
    r.folder = entry.folder;
    r.name = entry.name;
    r.clipName = entry.clipName;
    r.levelPath = entry.folder + entry.name + ".jvu";
    r.audioPath = EntryAudioPath(state, entry);
}

void MakeFileCurrent(ProjectState& state, const std::string& audioPath) {
    CurrentRecording& r = state.recording;
    SplitPath(audioPath, r.folder, r.name);
    r.audioPath = audioPath;
    r.levelPath = LevelFilePathOf(audioPath);
    r.clipName.clear();
}

void ClearCurrentRecording(ProjectState& state) {
    RecordingEdit& rec = state.edit.rec;
    ClearLevels(rec);
    rec.cropBegin = rec.cropEnd = 0;
    rec.markerCount = rec.cutCount = 0;
    state.edit.cursor = 0;
    state.edit.selectedCut = -1;
    state.edit.unsaved = false;
}

void KeepUnsavedEdits(ProjectState& state) {
    if (state.edit.unsaved && state.edit.rec.levelCount > 0 && Exists(state.recording.audioPath))
        SaveVuFile(state.edit.rec, state.recording.levelPath);
    state.edit.unsaved = false;
}

bool OpenCurrentRecording(ProjectState& state) {
    EditState& edit = state.edit;
    edit.unsaved = false;
    edit.rec.shift = state.shift;
    state.format.levelShift = state.shift;
    edit.selectedCut = -1;
    const bool levelFile = Exists(state.recording.levelPath);
    if (levelFile && !LoadVuFile(edit.rec, state.recording.levelPath, [&edit] { ClearUndo(edit); }))
        return false;
    const uint32_t length =
        OpenRecordingReader(state.recording.audioPath, state.format, state.reader, state.readerMp2);
    if (length == 0) {
        ClearCurrentRecording(state);
        return false;
    }
    static const LevelTables tables = BuildLevelTables();
    if (!levelFile) {
        ClearUndo(edit);
        if (!BuildLevelsFromAudio(*state.reader, state.format, tables, edit.rec)) return false;
    } else if (length > edit.rec.levelCount + LevelUnitsPerSecond(state.format)) {
        // A level file written before the recording ended (a crash or a power cut) covers less
        // than the audio: the levels come from the audio again; the edits stay, and a crop that
        // ran to the old end runs to the new one.
        RecordingEdit& rec = edit.rec;
        const uint32_t oldCount = rec.levelCount, cropBegin = rec.cropBegin, cropEnd = rec.cropEnd;
        const auto markers = rec.markers;
        const auto cuts = rec.cuts;
        const uint32_t markerCount = rec.markerCount, cutCount = rec.cutCount;
        const uint32_t captureRate = rec.captureRate;
        if (!BuildLevelsFromAudio(*state.reader, state.format, tables, rec)) return false;
        rec.captureRate = captureRate;
        rec.cropBegin = std::min(cropBegin, rec.levelCount);
        if (cropEnd < oldCount) rec.cropEnd = std::min(cropEnd, rec.levelCount);
        rec.markers = markers;
        rec.markerCount = markerCount;
        rec.cuts = cuts;
        rec.cutCount = cutCount;
    }
    if (edit.cursor > edit.rec.levelCount) edit.cursor = edit.rec.cropBegin;
    return true;
}

uint32_t EffectiveLength(const EditState& edit) {
    return EffectiveLength(edit.rec.cropBegin, edit.rec.cropEnd, edit.rec.cuts.data(),
                           edit.rec.cutCount);
}

}  // namespace mora
