#include <gtest/gtest.h>

#include "platform/trace.h"
#include "stream/report.h"
#include "tests/support/scripted_ui.h"

namespace mora {
namespace {

TEST(Report, NetworkCodesUseFixedTextsOrTheCode) {
    EXPECT_EQ(SystemErrorMessage("InternetConnect", 12029), "Cannot connect");
    EXPECT_EQ(SystemErrorMessage("x", 12002), "Timeout");
    EXPECT_EQ(SystemErrorMessage("x", 12007), "Servername not resolved");
    EXPECT_EQ(SystemErrorMessage("x", 12013), "Incorrect username");
    EXPECT_EQ(SystemErrorMessage("x", 12014), "Incorrect username or password");
    EXPECT_EQ(SystemErrorMessage("x", 12031), "Connection lost");
    EXPECT_EQ(SystemErrorMessage("FtpOpenFile", 12050), "FtpOpenFile 12050");
    EXPECT_EQ(SystemErrorMessage("ReadFile", 5), "ReadFile 5 Input/output error");
}

TEST(Report, ErrorsShowAModalErrorBoxAndTrace) {
    test::ScriptedUi ui;
    std::vector<std::string> lines;
    auto old = SetTraceSink([&](const std::string& line) { lines.push_back(line); });
    ReportError("Illegal bitrate");
    errno = 13;
    ReportSystemError("Cannot open file : /x");
    SetTraceSink(old);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_EQ(ui.messages[0].text, "Illegal bitrate");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ui.messages[1].text, "Cannot open file : /x 13 Permission denied");
    EXPECT_EQ(lines, std::vector<std::string>{"ERROR\tIllegal bitrate"});
}

}  // namespace
}  // namespace mora
