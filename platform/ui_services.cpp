#include "platform/ui_services.h"

#include <algorithm>
#include <cstdio>

namespace mora {
namespace {
StderrUi& DefaultUi() {
    static StderrUi ui;
    return ui;
}
UiServices*& Current() {
    static UiServices* ui = nullptr;
    return ui;
}
}  // namespace

MsgAnswer StderrUi::MessageBox(const std::string& title, const std::string& text, MsgIcon,
                               MsgButtons buttons) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgAnswer::Yes;
        case MsgButtons::RetryCancel:
            return MsgAnswer::Cancel;  // retrying without a person could loop for ever
        default:
            return MsgAnswer::Ok;
    }
}

std::optional<std::string> StderrUi::OpenFileDialog(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<std::string> StderrUi::SaveFileDialog(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<std::string> StderrUi::TextPrompt(const std::string&, const std::string&,
                                                const std::string&) {
    return std::nullopt;
}

std::string TrustServerText(const std::string& server, const std::string& fingerprint,
                            const std::string& reason) {
    return "The certificate of " + server + " cannot be verified (" + reason +
           ").\nSHA-256 fingerprint:\n" + fingerprint +
           "\nCompare it with the one your server administrator gave you.";
}

bool UiServices::TrustServer(const std::string& server, const std::string& fingerprint,
                             const std::string& reason) {
    return MessageBox("Trust this server?", TrustServerText(server, fingerprint, reason),
                      MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes;
}

bool StderrUi::TrustServer(const std::string& server, const std::string& fingerprint,
                           const std::string& reason) {
    std::fprintf(
        stderr,
        "Trust this server?: %s\nTo trust it, repeat the command with --trust-fingerprint %s\n",
        TrustServerText(server, fingerprint, reason).c_str(), fingerprint.c_str());
    return false;
}

void StderrUi::ProgressStart(const std::string& caption, uint32_t range) {
    range_ = range;
    position_ = 0;
    shownTenth_ = 0;
    std::string trimmed = caption;
    trimmed.erase(0, trimmed.find_first_not_of(' '));
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    std::fprintf(stderr, "%s\n", trimmed.c_str());
}

void StderrUi::ProgressStep(uint32_t steps) {
    position_ += steps;
    if (range_ == 0) return;
    const uint32_t tenth =
        static_cast<uint32_t>(std::min<uint64_t>(10, uint64_t{position_} * 10 / range_));
    if (tenth > shownTenth_) {
        shownTenth_ = tenth;
        std::fprintf(stderr, "  %u%%\n", tenth * 10);
    }
}

void StderrUi::ProgressEnd() {
    range_ = position_ = shownTenth_ = 0;
}

UiServices& Ui() {
    UiServices* ui = Current();
    return ui ? *ui : DefaultUi();
}

UiServices* SetUi(UiServices* ui) {
    UiServices* old = Current();
    Current() = ui;
    return old ? old : &DefaultUi();
}

}  // namespace mora
