#include "platform/ui_services.h"

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
