#include "ui/editor_screen.h"

#include <cstdio>
#include <cstdlib>

#include "project/current_recording.h"
#include "project/editing.h"
#include "ui/artwork.h"

namespace mora {

namespace {

// A press this many columns from a cut's begin or end lands on it (or, for the selected cut,
// takes that end for a drag), so a cut can be caught at any zoom.
constexpr int kGrabColumns = 3;

}  // namespace

std::string FineTimeText(uint64_t ms) {
    const uint64_t s = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%3dm:%02ds.%02d", static_cast<int>(s / 60),
                  static_cast<int>(s % 60), static_cast<int>(ms % 1000 / 10));
    return text;
}

TotalNrSecsWin::TotalNrSecsWin(WWin* owner, const Skin& skin, SkinRect units, uint32_t background)
    : StaticTextWin(owner, skin, units, 3, background, kAlignCentre) {}

void TotalNrSecsWin::SetLength(uint64_t ms) {
    SetText(FineTimeText(ms));
}

EditorWWin::EditorWWin(ScreenHost& host, const Skin& skin, TransportState& state,
                       TransportControl& transport, RecorderEnv env, ProjectState& project,
                       std::function<bool()> longOperation)
    : RecorderWWin(host, 1, skin, kEditorPictures, state, transport, std::move(env)),
      project_(project),
      longOperation_(std::move(longOperation)) {
    using E = SkinElement;
    auto rect = [&](E e) { return skin.Rect(e); };
    auto toggle = [&](E e, auto callback) {
        return Add(std::make_unique<ToggleButtonWin>(this, skin, rect(e), callback));
    };
    AddTransportButtons(E::EditStop, E::EditPlay, E::EditRecord, E::EditRewind, E::EditFastForward);
    name_ = Add(std::make_unique<NameWin>(this, skin, rect(E::EditName), 0));
    vu_ = Add(std::make_unique<VuWin>(this, skin, rect(E::EditVU), 2));
    const uint32_t background = skin.ColourValue(SkinColour::TextBackground);
    // The state picture lies between the two times, whose rectangles reach into it: they give
    // way, so neither a digit nor the picture is covered.
    SkinRect timeRect = rect(E::EditRecTime);
    SkinRect totalRect = rect(E::EditTotalTime);
    const SkinRect icon = rect(E::EditRecStatus);
    if (timeRect.x < icon.x && timeRect.x + timeRect.w > icon.x) timeRect.w = icon.x - timeRect.x;
    const int iconEnd = icon.x + icon.w;
    if (totalRect.x < iconEnd && totalRect.x + totalRect.w > iconEnd) {
        totalRect.w -= iconEnd - totalRect.x;
        totalRect.x = iconEnd;
    }
    time_ = Add(std::make_unique<RecTimeWin>(this, skin, timeRect, background, 3));
    total_ = Add(std::make_unique<TotalNrSecsWin>(this, skin, totalRect, background));
    status_ =
        Add(std::make_unique<RecStatusWin>(this, skin, rect(E::EditRecStatus), kFirstStateIcon));
    ScrollbarWin::Callbacks scroll;
    scroll.busy = [this] { return longOperation_ && longOperation_(); };
    scroll.page = [this](int direction) {
        const int64_t step = static_cast<int64_t>(graph_->VisibleUnits()) * direction;
        graph_->SetView(graph_->Zoom(), int64_t{graph_->First()} + step);
        MoveCursor(int64_t{project_.edit.cursor} + step);
        UpdateScrollbar();
    };
    scroll.dragStart = [this] {
        thumbCursor_ = project_.edit.cursor;
        thumbFirst_ = graph_->First();
    };
    scroll.drag = [this](int dx) {
        const int width = std::max(scroll_->Rect().width(), 1);
        const int64_t delta = int64_t{dx} * graph_->Count() / width;
        graph_->SetView(graph_->Zoom(), int64_t{thumbFirst_} + delta);
        MoveCursor(int64_t{thumbCursor_} + delta);
        UpdateScrollbar();
    };
    scroll_ = Add(std::make_unique<ScrollbarWin>(this, skin, rect(E::EditScrollGraph), scroll));
    RecGraphWin::Callbacks graph;
    graph.press = [this](int column) { OnGraphPress(column); };
    graph.drag = [this](int column) { OnGraphDrag(column); };
    graph.remembered = [this] { return transport_.Remembered(); };
    graph_ =
        Add(std::make_unique<RecGraphWin>(this, skin, rect(E::EditRecGraph), project_.edit, graph));
    bar_ = Add(std::make_unique<ButtonBarWin>(this, skin, rect(E::EditButtonBar), kButtonBarPicture,
                                              kButtonBarPicture, kButtonBarPicture,
                                              [this](int y) { OnBar(y); }));
    zoomIn_ = toggle(E::EditZoomIn, [this](bool) { ZoomIn(); });
    zoomOut_ = toggle(E::EditZoomOut, [this](bool) { ZoomOut(); });
    backMark_ = toggle(E::EditBackMark, [this](bool) { PreviousMarker(); });
    forwardMark_ = toggle(E::EditForwardMark, [this](bool) { NextMarker(); });
    rewindPicture_ = Add(std::make_unique<ButtonWin>(this, skin, rect(E::EditRewind),
                                                     kSmallRewindPicture, kSmallRewindPicture + 1));
    forwardPicture_ =
        Add(std::make_unique<ButtonWin>(this, skin, rect(E::EditFastForward),
                                        kSmallFastForwardPicture, kSmallFastForwardPicture + 1));
    LightState(state_, true);
    status_->SetIndex(static_cast<int>(state_));
    time_->SetText(FineTimeText(0));
}

void EditorWWin::LightState(TransportState state, bool on) {
    RecorderWWin::LightState(state, on);
    if (state == TransportState::Rewind && rewindPicture_) rewindPicture_->SetState(on ? 1 : 0);
    if (state == TransportState::FastForward && forwardPicture_)
        forwardPicture_->SetState(on ? 1 : 0);
}

bool EditorWWin::Playing() const {
    return state_ == TransportState::Playing || state_ == TransportState::FastForward ||
           state_ == TransportState::Rewind;
}

uint64_t EditorWWin::UnitsToMs(uint64_t units) const {
    return units * 1000 / (uint64_t{5} << project_.shift);
}

void EditorWWin::KeyDown(int key) {
    switch (key) {
        case kKeyEnter:
            PlayOrStop();
            return;
        case kKeyLeft:
            PreviousMarker();
            return;
        case kKeyRight:
            NextMarker();
            return;
        default:
            return;
    }
}

void EditorWWin::Activate() {
    RecorderWWin::Activate();
    for (int id : {cmd::CropBegin, cmd::CropEnd, cmd::CutBegin, cmd::CutEnd, cmd::CopyToClipEditor,
                   cmd::OpenClip, cmd::SaveSelection}) {
        host_.EnableMenuItem(id, true);
    }
    Refresh();
    MoveCursor(hasRemembered_ ? remembered_ : project_.edit.cursor);
}

void EditorWWin::Deactivate() {
    remembered_ = project_.edit.cursor;
    hasRemembered_ = true;
    RecorderWWin::Deactivate();
}

void EditorWWin::Refresh() {
    const RecordingEdit& rec = project_.edit.rec;
    if (project_.recording.audioPath != shownPath_ || (shownCount_ == 0 && rec.levelCount > 0)) {
        // Another recording: it starts whole in view, and the old remembered position is gone.
        shownPath_ = project_.recording.audioPath;
        hasRemembered_ = false;
        graph_->SetView(graph_->WholeZoom(), 0);
    } else {
        graph_->SetView(graph_->Zoom(), graph_->First());
    }
    shownCount_ = rec.levelCount;
    graph_->SetCursor(std::min(project_.edit.cursor, rec.levelCount));
    UpdateScrollbar();
    total_->SetLength(UnitsToMs(EffectiveLength(project_.edit)));
    const CurrentRecording& r = project_.recording;
    name_->SetName(r.clipName.empty() ? r.name : r.clipName);
    graph_->Repaint();
}

void EditorWWin::UpdateScrollbar() {
    const uint64_t count = graph_->Count();
    const uint64_t end = std::min<uint64_t>(graph_->First() + graph_->VisibleUnits(), count);
    scroll_->SetRange(graph_->First(), static_cast<uint32_t>(end), static_cast<uint32_t>(count));
}

void EditorWWin::Zoom(int step) {
    const int whole = std::max(graph_->WholeZoom(), kClosestZoom);
    const int zoom = std::clamp(graph_->Zoom() + step, kClosestZoom, whole);
    if (zoom == graph_->Zoom()) return;
    // The cursor keeps its column; out of view, it comes to the middle.
    const uint32_t cursor = project_.edit.cursor;
    const int64_t column =
        graph_->InView(cursor) ? graph_->ColumnOf(cursor) : graph_->Rect().width() / 2;
    const int64_t units = zoom >= 0 ? column << zoom : column >> -zoom;
    graph_->SetView(zoom, int64_t{cursor} - units);
    graph_->Repaint();
    UpdateScrollbar();
}

void EditorWWin::FollowCursor() {
    const uint32_t cursor = graph_->Cursor();
    if (graph_->InView(cursor) || graph_->Count() == 0) return;
    const int64_t visible = static_cast<int64_t>(graph_->VisibleUnits());
    // Playing on past the right edge turns a whole page; a jump brings the cursor to the middle.
    const bool pageOn = Playing() && cursor >= graph_->First();
    graph_->SetView(graph_->Zoom(), pageOn ? int64_t{cursor} : int64_t{cursor} - visible / 2);
    UpdateScrollbar();
}

void EditorWWin::ShowPosition(int32_t unit) {
    const uint32_t u = static_cast<uint32_t>(std::clamp<int64_t>(unit, 0, graph_->Count()));
    graph_->SetCursor(u);
    FollowCursor();
    if (!Playing()) time_->SetText(FineTimeText(UnitsToMs(u)));
}

void EditorWWin::MoveCursor(int64_t unit) {
    const RecordingEdit& rec = project_.edit.rec;
    const uint32_t u = static_cast<uint32_t>(std::clamp<int64_t>(unit, 0, rec.levelCount));
    project_.edit.cursor = u;
    if (!Playing()) {
        // Landing on a cut's begin or end makes that cut the current one.
        for (uint32_t i = 0; i < rec.cutCount; ++i) {
            if (rec.cuts[i].begin != u && rec.cuts[i].end != u) continue;
            if (static_cast<int32_t>(i) != project_.edit.selectedCut)
                SelectCut(project_, static_cast<int32_t>(i));
            break;
        }
    }
    transport_.RestartPlaying(static_cast<int32_t>(u));
    ShowPosition(static_cast<int32_t>(u));
}

void EditorWWin::PreviousMarker() {
    if (std::optional<uint32_t> marker = mora::PreviousMarker(project_.edit)) MoveCursor(*marker);
}

void EditorWWin::NextMarker() {
    if (std::optional<uint32_t> marker = mora::NextMarker(project_.edit)) MoveCursor(*marker);
}

void EditorWWin::OnGraphPress(int column) {
    dragKind_ = -1;
    dragRecorded_ = false;
    const RecordingEdit& rec = project_.edit.rec;
    if (rec.levelCount == 0) return;
    const int32_t selected = project_.edit.selectedCut;
    if (selected >= 0 && static_cast<uint32_t>(selected) < rec.cutCount && !Playing()) {
        const VuCut& cut = rec.cuts[selected];
        auto near = [&](uint32_t unit) {
            return std::abs(graph_->ColumnOf(unit) - column) <= kGrabColumns;
        };
        // An empty cut is widened by its end.
        if (near(cut.end)) {
            dragKind_ = 3;
        } else if (near(cut.begin)) {
            dragKind_ = 2;
        }
        if (dragKind_ >= 0) {
            dragUnit_ = dragKind_ == 3 ? cut.end : cut.begin;
            MoveCursor(dragUnit_);
            return;
        }
    }
    OnGraphDrag(column);
}

void EditorWWin::OnGraphDrag(int column) {
    const RecordingEdit& rec = project_.edit.rec;
    if (rec.levelCount == 0) return;
    column = std::clamp(column, 0, graph_->Rect().width() - 1);
    const uint32_t unit =
        static_cast<uint32_t>(std::min<uint64_t>(graph_->UnitAt(column), rec.levelCount));
    const int32_t selected = project_.edit.selectedCut;
    if (dragKind_ >= 0) {
        if (selected < 0 || static_cast<uint32_t>(selected) >= rec.cutCount || unit == dragUnit_)
            return;
        if (!dragRecorded_) {
            DragCutEnd(project_, dragKind_);
            dragRecorded_ = true;
        }
        dragUnit_ = unit;
        MoveCutEnd(project_, dragKind_ == 3, unit);
        const VuCut& cut = rec.cuts[selected];
        MoveCursor(dragKind_ == 3 ? cut.end : cut.begin);
        graph_->Repaint();
        total_->SetLength(UnitsToMs(EffectiveLength(project_.edit)));
        return;
    }
    // Near a cut's begin or end the cursor lands on it exactly.
    uint32_t target = unit;
    int64_t best = kGrabColumns + 1;
    for (uint32_t i = 0; i < rec.cutCount; ++i) {
        for (uint32_t end : {rec.cuts[i].begin, rec.cuts[i].end}) {
            const int64_t distance = std::abs(graph_->ColumnOf(end) - column);
            if (distance < best) {
                best = distance;
                target = end;
            }
        }
    }
    MoveCursor(target);
}

void EditorWWin::OnBar(int y) {
    // Top third: undo or redo the last marker change; middle: the last cut change; bottom:
    // delete the selected cut. Editing waits while the transport runs.
    if (state_ != TransportState::Stopped) return;
    const int third = std::clamp(y * 3 / std::max(bar_->Rect().height(), 1), 0, 2);
    if (third == 0) {
        UndoRedoMarker(project_);
    } else if (third == 1) {
        UndoRedoCut(project_);
    } else if (project_.edit.selectedCut >= 0) {
        DeleteCut(project_, project_.edit.selectedCut);
    }
    Refresh();
}

}  // namespace mora
