#pragma once
// The user-interface services over Qt widgets: message boxes, file dialogs, the one-line prompt
// and the busy cursor. Dialogs open over the active window.

#include "platform/ui_services.h"

namespace mora {

class QtUi : public UiServices {
  public:
    MsgAnswer MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> TextPrompt(const std::string& title, const std::string& label,
                                          const std::string& initial) override;
    void SetBusy(bool busy) override;

    int BusyDepth() const { return busyDepth_; }

  private:
    int busyDepth_ = 0;
};

// "Desc (*.a *.b)" from a filter pair; patterns may be separated by ';' or blanks.
std::string QtNameFilter(const std::string& description, const std::string& patterns);

}  // namespace mora
