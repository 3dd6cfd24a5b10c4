#pragma once
// The main window "Mora Edit": the menu, the screen area where the current screen draws, the
// screens themselves, the text editor over the screen area and the command dispatch.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/app_state.h"
#include "platform/event_loop.h"
#include "ui/wwin.h"

class QPlainTextEdit;

namespace mora {

class ScreenArea;

// The timer that drives the current screen's tick while the external interface is present.
inline constexpr int kScreenTimer = 1;

class MainWindow : public QMainWindow, public ScreenHost {
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

    // The menu item with command identifier `id`, or nullptr.
    QAction* Item(int id) const;
    WWin* Screen(int index) const;

    // Ends the window's life: timer, screens, then asks for the end of the event loop. Runs
    // once, whether the window is closed by the user, by "Exit" or by another instance.
    void Destroy();
    // Ends the event loop (set by the program; tests may watch it).
    std::function<void()> postQuit;
    // Whether the play position is on a marker (decides "Mark" or "Delete marker").
    std::function<bool()> playPositionOnMarker;

    void CheckMenuItem(int id, bool checked) override;
    void InvalidateScreen() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class ScreenArea;
    void EnableItem(int id, bool enabled);
    void PrepareEditPopup();

    AppState& state_;
    EventLoop& loop_;
    ScreenArea* area_ = nullptr;
    QPlainTextEdit* textEdit_ = nullptr;
    std::array<std::unique_ptr<WWin>, kScreenCount> screens_;
    bool timerStarted_ = false;
    bool destroyed_ = false;
};

}  // namespace mora
