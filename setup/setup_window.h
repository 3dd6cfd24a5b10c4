#pragma once
// The setup program's window "Mora Edit Setup": a row of tabs with one open page, and the
// commands "Save and exit", "Cancel" and "Next".

#include <QMainWindow>
#include <memory>
#include <vector>

#include "setup/pages.h"

class QTabWidget;

namespace mora {

class SetupWindow : public QMainWindow {
  public:
    explicit SetupWindow(SetupState& state);
    ~SetupWindow() override;

    // The open page stores its controls, the record is written and the window closes. False
    // (the window stays) when the file could not be written; the stream has said why.
    bool SaveAndExit();
    // Closes without writing.
    void Cancel();
    // The next tab, wrapping from the last to the first.
    void Next();
    // Stores and closes the open page and opens the page of tab `index`.
    void OpenTab(int index);

    SetupPage* Page() { return page_.get(); }
    QTabWidget* Tabs() { return tabs_; }
    const std::vector<TabEntry>& TabEntries() const { return entries_; }
    bool Saved() const { return saved_; }

  protected:
    // Closing the window in any other way saves, as "Save and exit" does.
    void closeEvent(QCloseEvent* event) override;

  private:
    void ClosePage();
    bool Save();

    SetupState& state_;
    QTabWidget* tabs_;
    std::vector<TabEntry> entries_;
    std::unique_ptr<SetupPage> page_;
    bool leaving_ = false;  // the close that follows a command
    bool saved_ = false;
};

}  // namespace mora
