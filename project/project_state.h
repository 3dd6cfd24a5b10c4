#pragma once
// The program-wide project state: the current project, its clip list, the current recording
// and that recording's edit state, with the reader it is played through. One ProjectState,
// owned by the program (or by a command or a test) and passed by reference to every operation.
//
// The audio engine, which stands above this library, sets `activity` while it records or plays
// and reads the current recording through `reader` and `format`.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/engine_format.h"
#include "audio/level_file.h"

namespace mora {

inline constexpr const char* kProjectExtension = ".mpr";
inline constexpr uint32_t kProjectFileVersion = 10;
// The program's level-resolution shift: 20 level values a second.
inline constexpr uint32_t kDefaultLevelShift = 2;

// Values a project file carries that this program does not use; written back unchanged.
struct ProjectReserved {
    uint32_t first = 0;
    double second = 0;
    double third = 0;
    double fourth = 0;
    uint32_t fifth = 0;
};

// Local date and time of an audio file's last write.
struct FileTime {
    int year = 0;
    int month = 0;
    int dayOfWeek = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// One row of the running order: a plain recording (no clip name) or a clip cut from one.
struct ClipEntry {
    std::string displayLine;
    std::string durationText;  // "%2d:%02d"
    std::string dateText;      // "%2d:%02d %2d/%02d/%04d"
    std::string locationText;  // folder + name
    std::string name;          // recording base name: project name and two-digit number
    std::string folder;        // ends in '/'
    FileTime fileTime;
    uint32_t length = 0;    // level units of the range without its cuts
    uint32_t duration = 0;  // whole seconds
    uint32_t rangeBegin = 0;
    uint32_t rangeEnd = 0;  // 0: no range set yet
    uint32_t clipNumber = 0;
    std::string clipName;  // empty for a plain recording
};

struct ClipList {
    std::vector<ClipEntry> entries;
    // The selected entry; −1 when none. Mirrored as ProjectState::selectedClip, which "Open
    // clip" clears while this index stays where it was.
    int32_t current = -1;
    // Playback started for the selected clip only, not for the list from it on.
    bool singleClip = false;
    // Set while the list view is being filled; its notifications are ignored meanwhile.
    bool filling = false;
    // The list view's selected row is the total row (adding appends, removing is refused).
    bool totalRowSelected = false;
    int displayMode = 0;  // 0 to 3
    uint32_t totalLength = 0;
};

// The recording shown and edited: a project recording, a clip's recording or a file opened
// with "Open clip".
struct CurrentRecording {
    std::string folder;
    std::string name;  // base name without extension
    std::string levelPath;
    std::string audioPath;
    std::string clipName;  // empty when none
};

enum UndoType : int {
    kUndoNone = 0,
    kUndoMarkerDeleted = 1,
    kUndoMarkerInserted = 2,
    kUndoCutDeleted = 10,
    kUndoCutBegin = 11,
    kUndoCutEnd = 12,
    kUndoCutBeginDrag = 13,
    kUndoCutEndDrag = 14,
    kRedoCutRestored = 15,
};

// The last change that can be undone (or the last undone one that can be redone).
struct UndoRecord {
    int type = kUndoNone;
    int32_t index = 0;      // cut index (types 11 to 15)
    uint32_t value = 0;     // marker position, or the cut begin or end that was replaced
    uint32_t end = 0;       // type 10: the deleted cut's end
    uint32_t reserved = 0;  // type 10: the deleted cut's reserved word
};

// The current recording's edit state: what its level file holds, and the editor's cursor,
// selected cut and undo and redo records.
struct EditState {
    RecordingEdit rec;
    uint32_t cursor = 0;
    int32_t selectedCut = -1;
    UndoRecord undo;
    UndoRecord redo;
    // The crop range or a cut's end changed since the level file was last written.
    bool unsaved = false;
};

// What the engine is doing; project and editing commands are refused while it is busy.
struct EngineActivity {
    bool recording = false;
    bool playing = false;
    bool Busy() const { return recording || playing; }
};

// Where the operations tell the screens that something changed. Unset hooks do nothing.
struct ProjectHooks {
    std::function<void()> refreshScreens;
    std::function<void()> refreshButtons;  // the editor's marker and cut buttons
    std::function<void()> listChanged;     // rows of the clip list (FillListView)
    std::function<void()> totalChanged;    // the total-time display
    // Whether the editor's waveform view exists ("Crop begin" and "Crop end" need it; the
    // level file is saved before a project change).
    std::function<bool()> waveformView;
};

struct ProjectState {
    ProjectState();

    // The project.
    std::string folder;  // ends in '/' (or is empty: the program folder)
    std::string name = "default";
    int32_t recordingNumber = -1;  // latest recording; −1 before the first
    int32_t selectedClip = -1;     // −1: a recording is open outside the list
    bool mp2 = true;
    uint32_t bitrateIndex = 3;  // 0 to 11
    bool stereo = false;
    uint32_t shift = kDefaultLevelShift;
    std::string text;
    uint32_t includeImages = 0;
    std::string lastImagePath;
    std::string lastImageFile;
    bool recordToFtp = false;
    ProjectReserved reserved;

    ClipList clips;
    CurrentRecording recording;
    EditState edit;

    // The current reader and the format state it reads with.
    EngineFormat format;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool readerMp2 = false;

    EngineActivity activity;
    ProjectHooks hooks;

    void RefreshScreens() const;
    void RefreshButtons() const;
    void ListChanged() const;
    void TotalChanged() const;
    bool HasWaveformView() const;
};

}  // namespace mora
