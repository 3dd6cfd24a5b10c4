#pragma once
// What the core may ask of the user: message boxes, file dialogs, a one-line prompt and the
// busy cursor. The programs answer with Qt; mora-cli prints to stderr and never waits; tests
// install a scripted fake. The core reaches the current implementation through Ui().

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mora {

enum class MsgIcon { None, Error, Warning, Information, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

struct FileDialogRequest {
    std::string title;
    // Pairs of (description, patterns), for example {"Mora Project (*.mpr)", "*.mpr"}.
    std::vector<std::pair<std::string, std::string>> filters;
    std::string defaultExtension;  // without the dot; added when the chosen name has none
    std::string startFolder;
    std::string proposedName;
    bool mustExist = false;         // open dialogs: only existing files
    bool confirmOverwrite = false;  // save dialogs: ask before replacing a file
};

class UiServices {
  public:
    virtual ~UiServices() = default;
    virtual MsgAnswer MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
    // A one-line text prompt; nothing when the user cancels.
    virtual std::optional<std::string> TextPrompt(const std::string& title,
                                                  const std::string& label,
                                                  const std::string& initial) = 0;
    // Busy (hourglass) cursor on or off.
    virtual void SetBusy(bool busy) = 0;

    // The progress window of a long job. ProgressStart shows it (or keeps it) with a caption
    // and a range of steps and forgets an earlier Cancel; ProgressStep advances it;
    // ProgressCancelled lets pending input through and says whether the reporter pressed
    // Cancel since the last start; ProgressEnd closes it and drops the pointer input that piled
    // up meanwhile. The defaults show nothing and never cancel.
    virtual void ProgressStart(const std::string& /*caption*/, uint32_t /*range*/) {}
    virtual void ProgressStep(uint32_t /*steps*/ = 1) {}
    virtual bool ProgressCancelled() { return false; }
    virtual void ProgressEnd() {}
    // A server's certificate could not be verified (`reason`): shows its SHA-256 fingerprint and
    // asks "Trust this server?". True trusts it from now on. Asks with a Yes/No message box
    // unless a front end knows better.
    virtual bool TrustServer(const std::string& server, const std::string& fingerprint,
                             const std::string& reason);
};

// The question TrustServer shows.
std::string TrustServerText(const std::string& server, const std::string& fingerprint,
                            const std::string& reason);

// For the shell: messages go to stderr as "Title: text"; OK and Yes are taken, Retry is not (no
// one is there to fix the cause); dialogs and prompts are cancelled. A server is never trusted
// unasked: the fingerprint is printed for the user to pass on the command line.
class StderrUi : public UiServices {
  public:
    MsgAnswer MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> TextPrompt(const std::string& title, const std::string& label,
                                          const std::string& initial) override;
    void SetBusy(bool) override {}
    bool TrustServer(const std::string& server, const std::string& fingerprint,
                     const std::string& reason) override;
    // Captions and every tenth of the range on stderr.
    void ProgressStart(const std::string& caption, uint32_t range) override;
    void ProgressStep(uint32_t steps = 1) override;
    void ProgressEnd() override;

  private:
    uint32_t range_ = 0;
    uint32_t position_ = 0;
    uint32_t shownTenth_ = 0;
};

// The current implementation (a StderrUi until a program installs its own).
UiServices& Ui();
// Installs `ui` (not owned; nullptr restores the stderr one) and returns the previous one.
UiServices* SetUi(UiServices* ui);

// Shows the busy cursor for the lifetime of the object.
class BusyCursor {
  public:
    BusyCursor() { Ui().SetBusy(true); }
    ~BusyCursor() { Ui().SetBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace mora
