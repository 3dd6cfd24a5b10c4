// The single-instance rule with the real program started as the second instance.

#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>
#include <future>

#include "app/mora_app.h"
#include "platform/program_dir.h"
#include "project/project_file.h"
#include "stream/jstream_file.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"

namespace mora {
namespace {

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        SetProgramDir(home.Path());
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
        ASSERT_TRUE(SaveSettings(Settings{}, home.File("MoraIni.sup")));
    }
    void TearDown() override {
        if (second.state() != QProcess::NotRunning) {
            second.kill();
            second.waitForFinished(3000);
        }
        SetProgramDir("");
    }

    void StartSecond(const QStringList& args, const std::string& workDir) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MORA_HOME", QString::fromStdString(home.Path()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MORA_TRACE", "1");
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(QString::fromStdString(workDir));
        second.start(MORA_BIN, args);
        ASSERT_TRUE(second.waitForStarted(5000));
    }
    bool SecondEnded(int timeoutMs) {
        // The first instance answers from this thread's loop while the second one runs.
        test::PumpUntil([&] { return second.state() == QProcess::NotRunning; }, timeoutMs);
        return second.state() == QProcess::NotRunning;
    }

    test::TempDir home;
    test::TempDir runtime;
    test::ScriptedUi ui;
    QProcess second;
};

TEST_F(SingleInstanceTest, ASecondStartWithoutAPathBringsTheFirstForwardAndEnds) {
    MoraApp first("");
    ASSERT_TRUE(first.InitInstance());
    first.Window()->showMinimized();
    ASSERT_TRUE(first.Window()->isMinimized());

    StartSecond({}, home.Path());
    ASSERT_TRUE(SecondEnded(10000)) << second.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(first.Window()->isMinimized());
    EXPECT_FALSE(first.State().quitting);
    EXPECT_FALSE(test::FileExists(home.File("MoraSet.sup")));  // the second one wrote nothing
}

TEST_F(SingleInstanceTest, ASecondStartWithAPathReplacesTheFirstAndOpensThatProject) {
    test::TempDir work;
    MoraApp first("");
    ASSERT_TRUE(first.InitInstance());
    bool firstQuit = false;
    first.Window()->postQuit = [&] { firstQuit = true; };

    StartSecond({"Flood.mpr"}, work.Path());
    ASSERT_TRUE(test::PumpUntil([&] { return firstQuit; }, 10000));
    EXPECT_TRUE(first.State().quitting);
    first.Shutdown();  // what follows the end of the first one's loop

    // The second one now runs on its own; ask it to close as a third start would.
    InstanceReply reply = InstanceReply::NotRunning;
    for (int i = 0; i < 100 && reply != InstanceReply::Answered; ++i) {
        reply = SendInstanceRequest("MoraEdit", "close", true, 10000);
        if (reply != InstanceReply::Answered) QThread::msleep(50);
    }
    EXPECT_EQ(reply, InstanceReply::Answered) << second.readAllStandardError().toStdString();
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    LastState last;
    Settings settings;
    ASSERT_TRUE(LoadLastState(last, settings, home.File("MoraSet.sup")));
    EXPECT_EQ(last.LastProjectFolder, work.Path());
    EXPECT_EQ(last.LastProjectName, "Flood");
}

TEST_F(SingleInstanceTest, AnOpenRequestSwitchesTheProjectAfterSavingTheCurrentOne) {
    test::TempDir work;
    {
        JStreamFile storm(work.File("Storm.mpr"), false);
        ProjectFileData data;
        data.text = "Storm warning.";
        WriteProjectFile(storm, data);
    }
    MoraApp first("");
    ASSERT_TRUE(first.InitInstance());
    ProjectState& project = first.State().project;
    project.folder = work.Path();
    project.name = "Flood";
    project.text = "Water rose overnight.";
    ClipEntry entry;
    entry.folder = work.Path();
    entry.name = "Flood00";
    project.clips.entries.push_back(entry);
    const std::string request = "open " + work.File("Storm.mpr");
    auto reply =
        std::async(std::launch::async, [&] { return SendInstanceRequest("MoraEdit", request); });
    ASSERT_TRUE(test::PumpUntil([&] { return project.name == "Storm"; }));
    EXPECT_EQ(reply.get(), InstanceReply::Answered);
    EXPECT_EQ(project.text, "Storm warning.");
    JStreamFile flood(work.File("Flood.mpr"), true);
    ProjectFileData saved;
    ASSERT_EQ(ReadProjectFile(flood, saved), ProjectFileStatus::Ok);
    EXPECT_EQ(saved.text, "Water rose overnight.");
}

}  // namespace
}  // namespace mora
