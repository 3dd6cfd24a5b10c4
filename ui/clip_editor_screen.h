#pragma once
// The clip editor screen: the project's clip list in a list view over the "CWindow" panel,
// Stop and Play for the list, and buttons that insert, move and remove clips and step the
// simple view's description. Play runs the list from the selected clip on; Enter or Space in
// the list plays the selected clip alone. The list view exists only while the screen is
// active.

#include <QPointer>
#include <optional>
#include <string>

#include "project/project_state.h"
#include "settings/settings.h"
#include "ui/clip_list_view.h"
#include "ui/transport.h"
#include "ui/wwin.h"

namespace mora {

// What the clip editor reads and changes besides the engine.
struct ClipEditorEnv {
    Settings* settings = nullptr;
    ProjectState* project = nullptr;
    // The widget the screen is drawn in; the list view becomes its child.
    QWidget* area = nullptr;
};

class ClipEditorWWin : public WWin, public TransportView {
  public:
    ClipEditorWWin(ScreenHost& host, const Skin& skin, TransportState& state,
                   TransportControl& transport, ClipEditorEnv env);
    ~ClipEditorWWin() override;

    void Activate() override;
    void Deactivate() override;

    // Rebuilds the list view's rows from the clip list (nothing while the screen is inactive).
    void FillClipList();
    // Enables the publish items the clip list offers.
    void RefreshMenuState();
    // Closes an open name editor, keeping its text.
    void EndEditing();

    // The transport callbacks of the buttons and the list's keys.
    void OnStop(bool pressed);
    void OnPlay(bool pressed);
    // Plays the current clip alone (`single`) or the list from it on.
    void StartPlayback(bool single);
    void StopPlayback();
    void InsertClip();

    void ShowLevels(uint8_t, uint8_t) override {}
    void ShowTime(uint64_t) override {}
    void TransportEnded() override;

    ClipListView* ListView() const { return list_; }
    ToggleButtonWin* StopButton() const { return stop_; }
    ToggleButtonWin* PlayButton() const { return play_; }
    PushButtonWin* InsertButton() const { return insert_; }
    PushButtonWin* UpButton() const { return up_; }
    PushButtonWin* DownButton() const { return down_; }
    PushButtonWin* RemoveButton() const { return remove_; }
    PushButtonWin* TurnedTextButton() const { return rotText_; }

  private:
    void CreateListView();
    void DestroyListView();
    void OnRowSelected(int row);
    void OnRenamed(int row, const std::string& text);
    void ShowStopped();
    void EnablePublishItems(bool enabled);
    // Playing, or winding (playback the record screen left running).
    bool Playing() const {
        return state_ == TransportState::Playing || state_ == TransportState::FastForward ||
               state_ == TransportState::Rewind;
    }

    const Skin& skin_;
    TransportState& state_;
    TransportControl& transport_;
    ClipEditorEnv env_;
    QPointer<ClipListView> list_;
    bool bound_ = false;
    ToggleButtonWin* stop_ = nullptr;
    ToggleButtonWin* play_ = nullptr;
    PushButtonWin* insert_ = nullptr;
    PushButtonWin* up_ = nullptr;
    PushButtonWin* down_ = nullptr;
    PushButtonWin* remove_ = nullptr;
    PushButtonWin* rotText_ = nullptr;
};

}  // namespace mora
