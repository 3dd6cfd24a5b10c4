#include "project/clip_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include "audio/level_builder.h"
#include "audio/level_file_reads.h"
#include "audio/recording_reader.h"
#include "platform/program_dir.h"
#include "project/current_recording.h"
#include "project/project_store.h"
#include "stream/jstream_file.h"
#include "stream/report.h"

namespace mora {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

bool ValidIndex(const ClipList& list, int32_t index) {
    return index >= 0 && index < static_cast<int32_t>(list.entries.size());
}

bool ReadFileTime(const std::string& path, FileTime& time) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    struct tm local {};
    const time_t seconds = st.st_mtim.tv_sec;
    if (!localtime_r(&seconds, &local)) return false;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.dayOfWeek = local.tm_wday;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec;
    time.millisecond = static_cast<int>(st.st_mtim.tv_nsec / 1000000);
    return true;
}

// Length of the entry's recording in level units, from its level file or, without one, from
// levels built from the audio. Sets the entry's range from the level file's crop range the
// first time.
uint32_t MeasureEntry(ProjectState& state, ClipEntry& entry) {
    RecordingEdit rec;
    rec.shift = state.shift;
    const std::string levelPath = entry.folder + entry.name + ".jvu";
    struct stat st {};
    if (::stat(levelPath.c_str(), &st) == 0) {
        // Read only: measuring an entry changes no file.
        JStreamFile file(levelPath, true);
        if (!file.IsReadable()) return 0;
        const VuReadResult read = ReadVuFile(file, rec);
        if (!read.ok) return 0;
        if (read.fileShift) ConvertVuResolution(rec, *read.fileShift);
        if (entry.rangeEnd == 0) {
            entry.rangeBegin = rec.cropBegin;
            entry.rangeEnd = rec.cropEnd;
        }
        return EffectiveLength(entry.rangeBegin, entry.rangeEnd, rec.cuts.data(), rec.cutCount);
    }
    EngineFormat format = state.format;
    format.levelShift = state.shift;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    if (OpenRecordingReader(EntryAudioPath(state, entry), format, reader, mp2) == 0) return 0;
    static const LevelTables tables = BuildLevelTables();
    if (!BuildLevelsFromAudio(*reader, format, tables, rec)) return 0;
    // A clip keeps its own range; a plain recording counts whole.
    if (entry.rangeEnd == 0) return rec.levelCount;
    const uint32_t end = std::min(entry.rangeEnd, rec.levelCount);
    return end - std::min(entry.rangeBegin, end);
}

}  // namespace

std::string DurationText(uint32_t seconds) {
    return Format("%2d:%02d", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
}

std::string TotalLengthText(uint32_t total, uint32_t shift) {
    const uint32_t v = 5u << shift;
    const uint32_t minutes = total / (60 * v);
    const uint32_t seconds = (total - 60 * v * minutes) / v;
    const uint32_t hundredths = (total - v * (seconds + 60 * minutes)) * (100 / v);
    return Format("%2d:%02ds.%02d", static_cast<int>(minutes), static_cast<int>(seconds),
                  static_cast<int>(hundredths));
}

void BuildEntryTexts(ClipEntry& e, int displayMode) {
    const FileTime& t = e.fileTime;
    const int minutes = static_cast<int>(e.duration / 60);
    const int seconds = static_cast<int>(e.duration % 60);
    e.durationText = DurationText(e.duration);
    e.dateText = Format("%2d:%02d %2d/%02d/%04d", t.hour, t.minute, t.day, t.month, t.year);
    e.locationText = e.folder + e.name;
    switch (displayMode) {
        case 0:
            e.displayLine = Format("%2d:%02d %2d:%02d %2d/%02d/%04d", minutes, seconds, t.hour,
                                   t.minute, t.day, t.month, t.year);
            break;
        case 1:
            e.displayLine = e.dateText;
            break;
        case 2:
            e.displayLine = Format("%2d/%02d/%04d %s", t.day, t.month, t.year, e.folder.c_str());
            break;
        default:
            e.displayLine = e.folder;
            break;
    }
}

void RefreshEntry(ProjectState& state, ClipEntry& entry) {
    const std::string audioPath = EntryAudioPath(state, entry);
    ReadFileTime(audioPath, entry.fileTime);
    MakeEntryCurrent(state, entry);
    struct stat st {};
    entry.length = ::stat(audioPath.c_str(), &st) == 0 ? MeasureEntry(state, entry) : 0;
    entry.duration = entry.length / (5u << state.shift);
    BuildEntryTexts(entry, state.clips.displayMode);
}

uint32_t RecomputeTotal(ProjectState& state) {
    uint32_t total = 0;
    for (const ClipEntry& e : state.clips.entries) total += e.length;
    state.clips.totalLength = total;
    state.TotalChanged();
    return total;
}

bool SelectClip(ProjectState& state, int32_t index) {
    ClipList& list = state.clips;
    if (!ValidIndex(list, index)) return false;
    KeepUnsavedEdits(state);
    list.current = index;
    state.selectedClip = index;
    const ClipEntry& entry = list.entries[index];
    MakeEntryCurrent(state, entry);
    if (!OpenCurrentRecording(state)) return false;
    RecordingEdit& rec = state.edit.rec;
    if (entry.rangeEnd != 0) {
        rec.cropBegin = entry.rangeBegin;
        rec.cropEnd = entry.rangeEnd;
    }
    RemoveEmptyCuts(rec, state.recording.levelPath);
    return true;
}

int32_t InsertEntry(ProjectState& state, ClipEntry entry) {
    ClipList& list = state.clips;
    entry.rangeBegin = entry.rangeEnd = 0;
    auto index = list.current;
    if (index < 0 || index > static_cast<int32_t>(list.entries.size()))
        index = static_cast<int32_t>(list.entries.size());
    list.entries.insert(list.entries.begin() + index, std::move(entry));
    return index;
}

void AppendRecording(ProjectState& state) {
    ClipList& list = state.clips;
    list.current = static_cast<int32_t>(list.entries.size());
    ClipEntry entry;
    entry.folder = state.folder;
    entry.name = state.name + RecordingSuffix(state.recordingNumber);
    const int32_t index = InsertEntry(state, std::move(entry));
    RefreshEntry(state, list.entries[index]);
    state.selectedClip = index;
    RecomputeTotal(state);
    state.ListChanged();
}

bool AddClipFromFile(ProjectState& state, const std::string& audioPath) {
    if (state.activity.playing) return false;
    ClipEntry entry;
    SplitPath(audioPath, entry.folder, entry.name);
    if (entry.name.empty() || EntryAudioPath(state, entry) != audioPath) {
        ReportError(std::string("Not a ") + AudioExtension(state) + " recording: " + audioPath);
        return false;
    }
    EngineFormat format = state.format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool mp2 = false;
    if (OpenRecordingReader(audioPath, format, reader, mp2) == 0) return false;
    reader.reset();

    ClipList& list = state.clips;
    if (!ValidIndex(list, list.current) || list.totalRowSelected)
        list.current = static_cast<int32_t>(list.entries.size());
    list.totalRowSelected = false;
    const int32_t index = InsertEntry(state, std::move(entry));
    SelectClip(state, index);
    RefreshEntry(state, list.entries[index]);
    RecomputeTotal(state);
    state.ListChanged();
    SaveProject(state);
    return true;
}

bool RemoveCurrent(ProjectState& state) {
    ClipList& list = state.clips;
    if (state.activity.playing || !ValidIndex(list, list.current) || list.totalRowSelected)
        return false;
    const bool wasLast = list.current == static_cast<int32_t>(list.entries.size()) - 1;
    list.entries.erase(list.entries.begin() + list.current);
    RecomputeTotal(state);
    if (list.entries.empty()) {
        list.current = -1;
        state.selectedClip = -1;
        ClearLevels(state.edit.rec);
        state.ListChanged();
        SaveProject(state);
        return true;
    }
    if (wasLast) list.current = static_cast<int32_t>(list.entries.size()) - 1;
    SelectClip(state, list.current);
    // The rows are filled once the index has moved, so the new current row shows selected.
    state.ListChanged();
    state.RefreshScreens();
    SaveProject(state);
    return true;
}

void RemoveByPath(ProjectState& state, const std::string& audioPath) {
    ClipList& list = state.clips;
    for (size_t i = 0; i < list.entries.size();) {
        if (EntryAudioPath(state, list.entries[i]) != audioPath) {
            ++i;
            continue;
        }
        list.current = static_cast<int32_t>(i);
        list.totalRowSelected = false;
        MakeEntryCurrent(state, list.entries[i]);
        if (!RemoveCurrent(state)) return;
    }
}

bool MoveUp(ProjectState& state) {
    ClipList& list = state.clips;
    if (list.current < 1 || !ValidIndex(list, list.current)) return false;
    std::swap(list.entries[list.current], list.entries[list.current - 1]);
    --list.current;
    state.selectedClip = list.current;
    state.ListChanged();
    return true;
}

bool MoveDown(ProjectState& state) {
    ClipList& list = state.clips;
    if (list.current < 0 || list.current >= static_cast<int32_t>(list.entries.size()) - 1)
        return false;
    std::swap(list.entries[list.current], list.entries[list.current + 1]);
    ++list.current;
    state.selectedClip = list.current;
    state.ListChanged();
    return true;
}

void Clear(ProjectState& state) {
    state.clips.entries.clear();
    state.clips.current = -1;
    state.selectedClip = -1;
    RecomputeTotal(state);
    state.ListChanged();
}

bool RenameClip(ProjectState& state, const std::string& text) {
    ClipList& list = state.clips;
    if (state.activity.playing || !ValidIndex(list, list.current)) return false;
    ClipEntry& entry = list.entries[list.current];
    entry.clipName = text;
    MakeEntryCurrent(state, entry);
    state.ListChanged();
    return true;
}

void CycleDisplayMode(ProjectState& state) {
    ClipList& list = state.clips;
    list.displayMode = (list.displayMode + 1) % 4;
    for (ClipEntry& e : list.entries) BuildEntryTexts(e, list.displayMode);
    state.ListChanged();
}

NextClip SelectNext(ProjectState& state) {
    ClipList& list = state.clips;
    if (list.singleClip) {
        if (SelectClip(state, list.current + 1)) state.edit.cursor = state.edit.rec.cropBegin;
        state.ListChanged();
        return NextClip::Stop;
    }
    if (!SelectClip(state, list.current + 1)) return NextClip::Stop;
    state.edit.cursor = state.edit.rec.cropBegin;
    state.ListChanged();
    return list.current == static_cast<int32_t>(list.entries.size()) - 1 ? NextClip::Last
                                                                         : NextClip::Continue;
}

std::vector<ClipListRow> ClipListRows(const ProjectState& state) {
    std::vector<ClipListRow> rows;
    const ClipList& list = state.clips;
    for (size_t i = 0; i < list.entries.size(); ++i) {
        const ClipEntry& e = list.entries[i];
        rows.push_back({e.clipName.empty() ? e.name : e.clipName, e.durationText, e.dateText,
                        e.locationText, e.displayLine,
                        static_cast<int32_t>(i) == list.current && !list.totalRowSelected});
    }
    const std::string total = TotalLengthText(list.totalLength, state.shift);
    rows.push_back({"length:", total, "", "", total, list.totalRowSelected});
    return rows;
}

}  // namespace mora
