#pragma once
// A user interface for tests: records every call and answers from queues. Installing one makes
// it the current Ui() until it is destroyed.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui_services.h"

namespace mora::test {

struct ShownMessage {
    std::string title;
    std::string text;
    MsgIcon icon;
    MsgButtons buttons;
};

class ScriptedUi : public UiServices {
  public:
    ScriptedUi();
    ~ScriptedUi() override;

    MsgAnswer MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> TextPrompt(const std::string& title, const std::string& label,
                                          const std::string& initial) override;
    void SetBusy(bool busy) override;
    void ProgressStart(const std::string& caption, uint32_t range) override;
    void ProgressStep(uint32_t steps = 1) override;
    bool ProgressCancelled() override;
    void ProgressEnd() override;

    // Queued answers; when a queue is empty: OK/Yes for messages, cancel for dialogs and prompts.
    std::deque<MsgAnswer> answers;
    std::deque<std::optional<std::string>> fileChoices;
    std::deque<std::optional<std::string>> promptAnswers;

    std::vector<ShownMessage> messages;
    std::vector<FileDialogRequest> openDialogs;
    std::vector<FileDialogRequest> saveDialogs;
    std::vector<std::string> prompts;
    int busyDepth = 0;
    int busyCalls = 0;

    // Progress captions in order, the steps taken, and the reporter pressing Cancel once the
    // steps reach `cancelAtStep` (0: never).
    std::vector<std::string> progressCaptions;
    uint32_t progressSteps = 0;
    uint32_t cancelAtStep = 0;
    bool progressOpen = false;
    bool progressCancelled = false;

    // The texts of all messages shown so far.
    std::vector<std::string> Texts() const;

  private:
    UiServices* previous_;
};

}  // namespace mora::test
