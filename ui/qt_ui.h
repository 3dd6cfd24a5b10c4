#pragma once
// The user-interface services over Qt widgets: message boxes, file dialogs, the one-line prompt
// and the busy cursor. Dialogs open over the active window.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui_services.h"

class QObject;
class QWidget;

namespace mora {

// The window that shows a long job's progress: the main window with its progress screen.
class ProgressView {
  public:
    virtual ~ProgressView() = default;
    // Makes the progress screen current (when it is not yet) and starts it over.
    virtual void ShowProgress(const std::string& title, uint32_t total) = 0;
    virtual void StepProgress(uint32_t steps) = 0;
    // Lets the pending events through and says whether the reporter pressed Cancel.
    virtual bool ProgressCancelled() = 0;
    // Gives the screen back that was current before the job.
    virtual void EndProgress() = 0;
    // The one widget the pointer reaches while a job runs.
    virtual QWidget* ProgressWidget() = 0;
};

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
    // The job's progress goes to the view's progress screen. While a job runs, the pointer
    // reaches only the view's widget (and a dialog the job opens), keys and menu shortcuts
    // nothing; pointer input that piled up is dropped when the job ends. Without a view a job
    // shows nothing and is never cancelled.
    void ProgressStart(const std::string& caption, uint32_t range) override;
    void ProgressStep(uint32_t steps = 1) override;
    bool ProgressCancelled() override;
    void ProgressEnd() override;

    // The window that shows progress (not owned; nullptr: none), cleared before it goes.
    void SetProgressView(ProgressView* view);
    int BusyDepth() const { return busyDepth_; }

  private:
    int busyDepth_ = 0;
    ProgressView* view_ = nullptr;
    std::unique_ptr<QObject> inputFilter_;
};

// "Desc (*.a *.b)" from a filter pair; patterns may be separated by ';' or blanks.
std::string QtNameFilter(const std::string& description, const std::string& patterns);

}  // namespace mora
