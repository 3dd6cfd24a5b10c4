// The recipient history, the e-mail size estimate and the image list of the publish dialogs.

#include <gtest/gtest.h>

#include "publish/publish_choices.h"
#include "publish/publish_job.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

struct Start {
    test::TempDir dir;
    Settings settings;
    LastState lastState;
    PublishSession session;
    std::string path = dir.File(kEmailHistoryFile);

    std::string Accept(const std::string& to) {
        return AcceptEmailDialog(to, "Subject", -1, false, ReadEmailHistory(path), path, settings,
                                 lastState, session);
    }
};

TEST(EmailHistory, StartKeepsSixLinesNewestFirstWithoutCaseDuplicates) {
    Start s;
    // No history yet: the placeholder is an entry of the list and is written too.
    EXPECT_EQ(s.Accept("anna@example.org"), "");
    EXPECT_EQ(test::ReadFileText(s.path), "anna@example.org\nEmpty\n");

    test::WriteFileText(s.path, "anna@example.org\nbob@example.org\n");
    EXPECT_EQ(s.Accept("carl@example.org"), "");
    EXPECT_EQ(test::ReadFileText(s.path), "carl@example.org\nanna@example.org\nbob@example.org\n");
    EXPECT_EQ(s.session.mail.recipient, "carl@example.org");

    EXPECT_EQ(s.Accept("BOB@Example.ORG"), "");
    EXPECT_EQ(test::ReadFileText(s.path), "BOB@Example.ORG\ncarl@example.org\nanna@example.org\n");

    for (const char* to : {"d@x.org", "e@x.org", "f@x.org", "g@x.org"}) s.Accept(to);
    EXPECT_EQ(test::ReadFileText(s.path),
              "g@x.org\nf@x.org\ne@x.org\nd@x.org\nBOB@Example.ORG\ncarl@example.org\n");

    for (const char* bad : {"desk.example.org", "desk@example", "desk.news@example"}) {
        EXPECT_EQ(s.Accept(bad), kIllegalAddress) << bad;
        EXPECT_EQ(ReadEmailHistory(s.path).front(), "g@x.org");
    }
    EXPECT_EQ(s.session.mail.recipient, "g@x.org");
}

TEST(EmailDialog, SizeEstimateAndLongTexts) {
    PublishSession session;
    EXPECT_EQ(EmailSizeText(3000000, session), "Email-size will be : 3983 KB");
    session.images.Add("/p/a.jpg", "a.jpg", 1000000);
    EXPECT_EQ(EmailSizeText(3000000, session), "Email-size will be : 3983 KB");
    session.includeImages = true;
    EXPECT_EQ(EmailSizeText(2000000, session), "Email-size will be : 3983 KB");
    EXPECT_EQ(CutDialogText(std::string(255, 'a')).size(), 253u);
    EXPECT_EQ(CutDialogText(std::string(254, 'a')).size(), 254u);
}

TEST(ImageList, RefusesDuplicatesAndAHundredFirstAndMovesTheSelection) {
    ImageList list;
    EXPECT_TRUE(list.Add("/a/x.jpg", "x.jpg", 10));
    EXPECT_FALSE(list.Add("/b/x.jpg", "x.jpg", 20));
    for (int i = 1; i < 100; ++i)
        EXPECT_TRUE(list.Add("/a/" + std::to_string(i), std::to_string(i), 1));
    EXPECT_FALSE(list.Add("/a/new.jpg", "new.jpg", 5));
    EXPECT_EQ(list.Total(), 109u);
    EXPECT_EQ(list.RemoveAt(99), 98);  // after the last entry: the new last one
    EXPECT_EQ(list.RemoveAt(0), 0);
    EXPECT_EQ(list.Total(), 98u);
    list.Clear();
    EXPECT_EQ(list.RemoveAt(0), -1);
    EXPECT_EQ(list.Total(), 0u);
}

TEST(FtpDialog, ServerListStopsAtTheFirstUnnamedProfileAndStartCopiesTheChoice) {
    Settings settings;
    LastState lastState;
    settings.FtpProfiles[0] = {"Desk", "desk.example.org", "u", "p", "in", 1};
    settings.FtpProfiles[1] = {"NoServer", "", "", "", "", 0};
    settings.FtpProfiles[2] = {"Radio", "radio.example.org", "r", "q", "audio", 0};
    settings.FtpProfiles[4] = {"Hidden", "hidden.example.org", "", "", "", 0};
    settings.FtpProfileName = "Radio";
    const ServerChoice choice = FtpServerChoice(settings);
    EXPECT_EQ(choice.names, (std::vector<std::string>{"Desk", "Radio"}));
    EXPECT_EQ(choice.selected, 1);
    AcceptFtpDialog(choice.profiles[0], true, settings, lastState);
    EXPECT_EQ(settings.FtpServer, "");  // profile selection is off
    settings.AllowFtpProfileSelection = 1;
    AcceptFtpDialog(choice.profiles[0], true, settings, lastState);
    EXPECT_EQ(settings.FtpServer, "desk.example.org");
    EXPECT_EQ(settings.FtpDestDir, "in");
    EXPECT_EQ(settings.FtpProfileName, "Desk");
    EXPECT_EQ(lastState.KeepNames, 1);
}

TEST(PublishCommands, ChecksComeInOrderWithTheirMessages) {
    Settings settings;
    settings.EnableImages = 0;
    PublishCheck list{true, false, false, false, true, 96000};
    EXPECT_EQ(CheckPublish(list, settings), "MenuPublishCliplist");  // FTP test not passed
    list.variant = true;
    EXPECT_EQ(CheckPublish(list, settings), "-");
    settings.FtpTestPassed = 1;
    EXPECT_EQ(CheckPublish(list, settings), "Nothing in cliplist");
    PublishCheck clip{false, false, false, false, true, 96000};
    EXPECT_EQ(CheckPublish(clip, settings), "Nothing recorded or selected");
    settings.EnableImages = 1;
    EXPECT_EQ(CheckPublish(clip, settings),
              "Sample-rate= 96 KHz.\nYou can not publish at\nsample-rates higher than 48 KHz.");
    clip.jobRunning = true;
    EXPECT_EQ(CheckPublish(clip, settings), "-");
}

}  // namespace
}  // namespace mora
