// mora-cli edit: the editing operations applied to a clip's or an opened file's recording, step
// by step, as the menu commands and the editor's buttons apply them.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "audio/recording_reader.h"
#include "cli/project_cli.h"
#include "project/clip_list.h"
#include "project/current_recording.h"
#include "project/editing.h"
#include "project/project_store.h"
#include "project/save_selection.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

bool ParseNumber(const std::string& text, long low, long high, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= low && value <= high;
}

Json RecordJson(const UndoRecord& r) {
    Json values = Json::array();
    switch (r.type) {
        case kUndoMarkerDeleted:
        case kUndoMarkerInserted:
            values = {r.value};
            break;
        case kUndoCutDeleted:
            values = {r.value, r.end, r.reserved};
            break;
        case kUndoCutBegin:
        case kUndoCutEnd:
        case kUndoCutBeginDrag:
        case kUndoCutEndDrag:
            values = {r.index, r.value};
            break;
        case kRedoCutRestored:
            values = {r.index};
            break;
        default:
            break;
    }
    return {{"type", r.type}, {"values", values}};
}

Json EditJson(const ProjectState& state) {
    const EditState& edit = state.edit;
    const RecordingEdit& rec = edit.rec;
    Json json;
    json["levelCount"] = rec.levelCount;
    json["cropBegin"] = rec.cropBegin;
    json["cropEnd"] = rec.cropEnd;
    json["cursor"] = edit.cursor;
    json["selectedCut"] = edit.selectedCut;
    Json cuts = Json::array();
    for (uint32_t i = 0; i < rec.cutCount; ++i)
        cuts.push_back({rec.cuts[i].begin, rec.cuts[i].end});
    json["cuts"] = cuts;
    json["markers"] =
        std::vector<uint32_t>(rec.markers.begin(), rec.markers.begin() + rec.markerCount);
    json["undo"] = RecordJson(edit.undo);
    json["redo"] = RecordJson(edit.redo);
    json["effectiveLength"] = EffectiveLength(edit);
    return json;
}

// Applies one step; an exit status when it was refused or failed.
int ApplyStep(ProjectState& state, const std::string& step) {
    const size_t eq = step.find('=');
    const std::string name = step.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : step.substr(eq + 1);
    const bool hasValue = eq != std::string::npos;
    long number = 0;
    auto bad = [&step](const char* why) {
        std::fprintf(stderr, "mora-cli edit: %s: %s\n", step.c_str(), why);
        return kExitUsage;
    };
    if (name == "cursor") {
        if (!hasValue || !ParseNumber(value, 0, UINT32_MAX, number)) return bad("a level index");
        // The editor's cursor never leaves the recording.
        state.edit.cursor = std::min(static_cast<uint32_t>(number), state.edit.rec.levelCount);
    } else if (step == "crop-begin") {
        CropBegin(state);
    } else if (step == "crop-end") {
        CropEnd(state);
    } else if (step == "cut-begin") {
        CutBegin(state);
    } else if (step == "cut-end") {
        CutEnd(state);
    } else if (name == "select-cut") {
        if (!hasValue || !ParseNumber(value, -1, kMaxCuts, number)) return bad("a cut index");
        SelectCut(state, static_cast<int32_t>(number));
    } else if (name == "drag-cut") {
        if (!hasValue || !ParseNumber(value, 0, 3, number)) return bad("a drag kind 0 to 3");
        DragCutEnd(state, static_cast<int>(number));
        MoveCutEnd(state, number % 2 == 1, state.edit.cursor);
    } else if (step == "delete-cut") {
        DeleteCut(state, state.edit.selectedCut);
    } else if (step == "mark") {
        ToggleMark(state);
    } else if (step == "undo-marker") {
        UndoRedoMarker(state);
    } else if (step == "undo-cut") {
        UndoRedoCut(state);
    } else if (name == "copy-to-clip") {
        if (!hasValue) return bad("a clip name");
        ProposedClipName(state);
        if (!CopyToClipEditor(state, value)) return kExitFailed;
    } else if (name == "save-selection") {
        if (!hasValue || value.empty()) return bad("a path");
        if (!SaveSelectionAs(state, AbsolutePath(value))) return kExitFailed;
    } else {
        return bad("unknown step");
    }
    return kExitOk;
}

int Edit(const Args& args) {
    if (args.positional.empty() || args.Has("clip") == args.Has("open")) {
        std::fprintf(stderr,
                     "mora-cli edit: name the project and one of --clip N or --open AUDIO\n");
        return kExitUsage;
    }
    Settings settings;
    LoadCliSettings(args, settings);
    ProjectState state;
    const std::string path = AbsolutePath(args.positional[0]);
    struct stat st {};
    if (args.Has("clip")) {
        long index = 0;
        if (!ParseNumber(*args.Get("clip"), 0, 1000000, index)) {
            std::fprintf(stderr, "mora-cli edit: --clip takes a clip number from 0\n");
            return kExitUsage;
        }
        if (!OpenCliProject(state, settings, path)) return kExitFailed;
        if (!SelectClip(state, static_cast<int32_t>(index))) {
            std::fprintf(stderr, "mora-cli edit: the list has no clip %ld to open\n", index);
            return kExitFailed;
        }
    } else {
        const std::string audio = AbsolutePath(*args.Get("open"));
        if (::stat(path.c_str(), &st) == 0) {
            if (!OpenCliProject(state, settings, path)) return kExitFailed;
        } else {
            // A project that does not exist yet records in the opened file's format.
            TakeFormatFromSettings(state, settings);
            state.mp2 = IsMp2Recording(audio);
            StartNewProject(state, settings, path);
        }
        if (!OpenClipFile(state, audio)) return kExitFailed;
    }
    state.edit.cursor = state.edit.rec.cropBegin;
    for (size_t i = 1; i < args.positional.size(); ++i) {
        if (int status = ApplyStep(state, args.positional[i])) return status;
    }
    std::cout << EditJson(state).dump(2) << "\n";
    return kExitOk;
}

const CommandRegistrar kEdit{{
    "edit",
    "PROJECT.mpr (--clip N | --open AUDIO) STEP... [--ini FILE]",
    "Opens clip N of the project (or AUDIO with \"Open clip\"), puts the cursor at its crop\n"
    "begin and applies the steps in order, as the menu commands and the editor's buttons do;\n"
    "files change exactly as those operations change them. Prints the edit state as JSON:\n"
    "levelCount, cropBegin, cropEnd, cursor, selectedCut, cuts, markers, undo and redo (type\n"
    "and values), effectiveLength.\n"
    "Steps: cursor=N, crop-begin, crop-end, cut-begin, cut-end, select-cut=I (the player\n"
    "landing on an end of cut I), drag-cut=KIND (drags the selected cut's begin, KIND 0 or 2,\n"
    "or end, 1 or 3, to the cursor), delete-cut, mark, undo-marker, undo-cut,\n"
    "copy-to-clip=NAME, save-selection=PATH.",
    {"clip", "open", "ini"},
    {},
    Edit,
}};

}  // namespace
}  // namespace mora::cli
