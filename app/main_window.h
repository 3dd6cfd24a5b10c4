#pragma once
// The main window "Mora Edit": the menu, the screen area where the current screen draws, the
// screens themselves, the text editor over the screen area and the command dispatch.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/app_state.h"
#include "platform/event_loop.h"
#include "publish/publish_job.h"
#include "ui/qt_ui.h"
#include "ui/skin.h"
#include "ui/wwin.h"

class QPlainTextEdit;

namespace mora {

class ScreenArea;
class RecordWWin;
class ClipEditorWWin;
class AboutWWin;
class ProgressWWin;

// The timer that drives the current screen's tick while the external interface is present.
inline constexpr int kScreenTimer = 1;

class MainWindow : public QMainWindow, public ScreenHost, public ProgressView {
  public:
    MainWindow(AppState& state, EventLoop& loop);
    ~MainWindow() override;

    // Sizes the window so that the screen area has this size.
    void SetClientSize(ClientSize size);
    QWidget* ScreenWidget() const;

    void SwitchScreen(int index);
    void Command(int id);
    void OpenTextEditor();
    void CloseTextEditor();
    bool TextEditorOpen() const { return textEdit_ != nullptr; }
    QPlainTextEdit* TextEdit() const { return textEdit_; }
    void ShowInputOptions();
    // "Clip", "Cliplist", their to-file and fast variants, and "Image".
    void Publish(int id);

    // The menu item with command identifier `id`, or nullptr.
    QAction* Item(int id) const;
    WWin* Screen(int index) const;
    RecordWWin* RecordScreen() const;
    // The clip editor screen (whether current or not).
    ClipEditorWWin* ClipEditor() const;
    AboutWWin* AboutScreen() const;
    ProgressWWin* ProgressScreen() const;
    const Skin& SkinOf() const { return *skin_; }

    // Ends the window's life: timer, screens, then asks for the end of the event loop. Runs
    // once, whether the window is closed by the user, by "Exit" or by another instance.
    void Destroy();
    // Ends the event loop (set by the program; tests may watch it).
    std::function<void()> postQuit;
    // Answers the publish dialogs instead of showing them (tests); unset: the Qt dialogs.
    std::function<bool(const PublishDialogRequest&)> publishDialog;
    // Whether the play position is on a marker (decides "Mark" or "Delete marker").
    std::function<bool()> playPositionOnMarker;

    void CheckMenuItem(int id, bool checked) override;
    void InvalidateScreen() override;
    void InvalidateRect(const QRect& rect) override;
    void EnableMenuItem(int id, bool enabled) override { EnableItem(id, enabled); }
    void EnableTopMenus(bool enabled) override;
    void EnableEditPopup(bool enabled) override;
    void UpdateScreen() override;

    // A job's progress on the progress screen; the screen before it comes back at the end.
    void ShowProgress(const std::string& title, uint32_t total) override;
    void StepProgress(uint32_t steps) override;
    bool ProgressCancelled() override;
    void EndProgress() override;
    QWidget* ProgressWidget() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class ScreenArea;
    void EnableItem(int id, bool enabled);
    void PrepareEditPopup();
    void LoadSkin();
    void CreateScreens();
    void AddAccelerators();

    AppState& state_;
    EventLoop& loop_;
    ScreenArea* area_ = nullptr;
    QPlainTextEdit* textEdit_ = nullptr;
    std::unique_ptr<Skin> skin_;
    PointerState pointer_;
    std::array<std::unique_ptr<WWin>, kScreenCount> screens_;
    bool timerStarted_ = false;
    bool destroyed_ = false;
    // A job shows its progress; a close meanwhile cancels it and waits for its end.
    bool progressShown_ = false;
    bool closePending_ = false;
    int screenUnderEditor_ = kRecordScreen;
};

}  // namespace mora
