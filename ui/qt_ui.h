#pragma once
// The user-interface services over Qt widgets: message boxes, file dialogs, the one-line prompt
// and the busy cursor. Dialogs open over the active window.

#include <memory>

#include "platform/ui_services.h"

class QProgressDialog;
class QObject;

namespace mora {

class QtUi : public UiServices {
  public:
    QtUi();
    ~QtUi() override;

    MsgAnswer MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> TextPrompt(const std::string& title, const std::string& label,
                                          const std::string& initial) override;
    void SetBusy(bool busy) override;
    // A modal progress dialog with the caption, a bar and Cancel, until the progress screen
    // takes over. Pointer input meant for other windows is dropped while it shows.
    void ProgressStart(const std::string& caption, uint32_t range) override;
    void ProgressStep(uint32_t steps = 1) override;
    bool ProgressCancelled() override;
    void ProgressEnd() override;

    int BusyDepth() const { return busyDepth_; }
    QProgressDialog* Progress() const { return progress_.get(); }

  private:
    int busyDepth_ = 0;
    std::unique_ptr<QProgressDialog> progress_;
    std::unique_ptr<QObject> pointerFilter_;
    bool cancelled_ = false;
};

// "Desc (*.a *.b)" from a filter pair; patterns may be separated by ';' or blanks.
std::string QtNameFilter(const std::string& description, const std::string& patterns);

}  // namespace mora
