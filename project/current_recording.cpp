#include "project/current_recording.h"

#include <sys/stat.h>

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
}

bool OpenCurrentRecording(ProjectState& state) {
    EditState& edit = state.edit;
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
    if (!levelFile) {
        static const LevelTables tables = BuildLevelTables();
        ClearUndo(edit);
        if (!BuildLevelsFromAudio(*state.reader, state.format, tables, edit.rec)) return false;
    }
    if (edit.cursor > edit.rec.levelCount) edit.cursor = edit.rec.cropBegin;
    return true;
}

uint32_t EffectiveLength(const EditState& edit) {
    return EffectiveLength(edit.rec.cropBegin, edit.rec.cropEnd, edit.rec.cuts.data(),
                           edit.rec.cutCount);
}

}  // namespace mora
