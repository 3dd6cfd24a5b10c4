#pragma once
// The editor screen: the current recording as a waveform with its scroll bar, zoom buttons,
// marker navigation, the record screen's transport buttons and meter, the play position and the
// total length. Clicking or dragging in the waveform moves the play position; dragging an end
// of the selected cut moves that end. The Edit menu's crop, cut and mark commands act on the
// position it shows.

#include <functional>
#include <string>

#include "project/project_state.h"
#include "ui/rec_graph.h"
#include "ui/record_screen.h"

namespace mora {

// The total length: "%3dm:%02ds.%02d" (minutes, seconds, hundredths).
class TotalNrSecsWin : public StaticTextWin {
  public:
    TotalNrSecsWin(WWin* owner, const Skin& skin, SkinRect units, uint32_t background);
    void SetLength(uint64_t ms);
};

// "%3dm:%02ds.%02d" of a time in milliseconds.
std::string FineTimeText(uint64_t ms);

class EditorWWin : public RecorderWWin {
  public:
    // `longOperation` tells when a long operation (publishing) runs: the scroll bar then waits.
    EditorWWin(ScreenHost& host, const Skin& skin, TransportState& state,
               TransportControl& transport, RecorderEnv env, ProjectState& project,
               std::function<bool()> longOperation = {});

    void KeyDown(int key) override;
    void Activate() override;
    void Deactivate() override;
    void ShowPosition(int32_t unit) override;

    void ZoomIn() { Zoom(-1); }
    void ZoomOut() { Zoom(1); }
    void PreviousMarker();
    void NextMarker();
    // Moves the play position (clamped to the recording) and the cursor with it.
    void MoveCursor(int64_t unit);
    // The recording or its edits changed: view, scroll bar, total and name follow.
    void Refresh();

    RecGraphWin* Graph() const { return graph_; }
    ScrollbarWin* Scrollbar() const { return scroll_; }
    TotalNrSecsWin* TotalTime() const { return total_; }
    ToggleButtonWin* ZoomInButton() const { return zoomIn_; }
    ToggleButtonWin* ZoomOutButton() const { return zoomOut_; }
    ToggleButtonWin* BackMarkButton() const { return backMark_; }
    ToggleButtonWin* ForwardMarkButton() const { return forwardMark_; }
    ButtonBarWin* Bar() const { return bar_; }

  protected:
    void LightState(TransportState state, bool on) override;

  private:
    void Zoom(int step);
    // Scrolls so that the cursor is in view, a whole view at a time.
    void FollowCursor();
    void UpdateScrollbar();
    void OnGraphPress(int column);
    void OnGraphDrag(int column);
    void OnBar(int y);
    uint64_t UnitsToMs(uint64_t units) const;
    bool Playing() const;

    ProjectState& project_;
    std::function<bool()> longOperation_;
    TotalNrSecsWin* total_ = nullptr;
    ScrollbarWin* scroll_ = nullptr;
    RecGraphWin* graph_ = nullptr;
    ButtonBarWin* bar_ = nullptr;
    ToggleButtonWin* zoomIn_ = nullptr;
    ToggleButtonWin* zoomOut_ = nullptr;
    ToggleButtonWin* backMark_ = nullptr;
    ToggleButtonWin* forwardMark_ = nullptr;
    ButtonWin* rewindPicture_ = nullptr;
    ButtonWin* forwardPicture_ = nullptr;

    // The recording the view belongs to; another one starts with the whole recording in view.
    std::string shownPath_;
    uint32_t shownCount_ = 0;
    // The position the editor had when it was left, taken up again when it comes back.
    uint32_t remembered_ = 0;
    bool hasRemembered_ = false;
    // A drag in the graph: of the selected cut's begin (2) or end (3), or -1 for the cursor.
    int dragKind_ = -1;
    bool dragRecorded_ = false;
    uint32_t dragUnit_ = 0;
    // A drag of the scroll bar's thumb starts from these.
    uint32_t thumbCursor_ = 0;
    uint32_t thumbFirst_ = 0;
};

}  // namespace mora
