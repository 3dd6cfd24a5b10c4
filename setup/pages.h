#pragma once
// The setup program's pages, by page type, and the tab order.

#include <memory>
#include <vector>

#include "setup/setup_page.h"

namespace mora {

enum PageType {
    kNewProjectPage = 1,
    kFtpPage = 2,
    kEmailPage = 3,
    kPublishPage = 4,
    kInputEqPage = 5,
    kTandemPage = 7,
    kOptions1Page = 9,
    kOptions2Page = 10,
    kAudioPage = 11,
};

struct TabEntry {
    PageType type;
    QString title;
};

// "New Project", "FTP", "Email", "Publish", "Input EQ", then "Tandem" (or "Tandem Pro") when
// the external interface was found, otherwise "Audio", then "Options1", "Options2".
std::vector<TabEntry> TabOrder(const SetupState& state);

std::unique_ptr<SetupPage> MakePage(PageType type, SetupState& state, QWidget* parent);

std::unique_ptr<SetupPage> MakeNewProjectPage(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakeFtpPage(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakeEmailPage(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakePublishPage(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakeInputEqPage(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakeTandemPage(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakeAudioPage(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakeOptions1Page(SetupState& state, QWidget* parent);
std::unique_ptr<SetupPage> MakeOptions2Page(SetupState& state, QWidget* parent);

}  // namespace mora
