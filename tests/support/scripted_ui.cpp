#include "tests/support/scripted_ui.h"

namespace mora::test {

ScriptedUi::ScriptedUi() : previous_(SetUi(this)) {}

ScriptedUi::~ScriptedUi() {
    SetUi(previous_);
}

MsgAnswer ScriptedUi::MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                                 MsgButtons buttons) {
    messages.push_back({title, text, icon, buttons});
    if (!answers.empty()) {
        MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::Yes
                                                                              : MsgAnswer::Ok;
}

std::optional<std::string> ScriptedUi::OpenFileDialog(const FileDialogRequest& request) {
    openDialogs.push_back(request);
    if (fileChoices.empty()) return std::nullopt;
    auto choice = fileChoices.front();
    fileChoices.pop_front();
    return choice;
}

std::optional<std::string> ScriptedUi::SaveFileDialog(const FileDialogRequest& request) {
    saveDialogs.push_back(request);
    if (fileChoices.empty()) return std::nullopt;
    auto choice = fileChoices.front();
    fileChoices.pop_front();
    return choice;
}

std::optional<std::string> ScriptedUi::TextPrompt(const std::string& title, const std::string&,
                                                  const std::string&) {
    prompts.push_back(title);
    if (promptAnswers.empty()) return std::nullopt;
    auto answer = promptAnswers.front();
    promptAnswers.pop_front();
    return answer;
}

void ScriptedUi::SetBusy(bool busy) {
    ++busyCalls;
    busyDepth += busy ? 1 : -1;
}

std::vector<std::string> ScriptedUi::Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
}

void ScriptedUi::ProgressStart(const std::string& caption, uint32_t) {
    progressCaptions.push_back(caption);
    progressOpen = true;
    progressCancelled = false;
}

void ScriptedUi::ProgressStep(uint32_t steps) {
    progressSteps += steps;
}

bool ScriptedUi::ProgressCancelled() {
    if (cancelAtStep != 0 && progressSteps >= cancelAtStep) {
        cancelAtStep = 0;  // one press
        progressCancelled = true;
    }
    return progressCancelled;
}

void ScriptedUi::ProgressEnd() {
    progressOpen = false;
}

}  // namespace mora::test
