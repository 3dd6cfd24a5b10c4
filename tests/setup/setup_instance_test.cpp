// Start-up with the real program: MoraSetup closes a running Mora, and a second MoraSetup only
// brings the first forward.

#include <gtest/gtest.h>

#include <QProcess>

#include "settings/settings.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "ui/instance_link.h"

namespace mora {
namespace {

class SetupInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
    }
    void TearDown() override {
        for (QProcess* p : {&first, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }
    void Start(QProcess& process) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MORA_HOME", QString::fromStdString(home.Path()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MORA_AUDIO", "null");
        process.setProcessEnvironment(env);
        process.start(MORA_SETUP_BIN, {});
        ASSERT_TRUE(process.waitForStarted(5000));
    }
    static bool Ended(QProcess& process, int timeoutMs) {
        // This thread's loop answers the programs while they run.
        return test::PumpUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    }

    test::TempDir home;
    test::TempDir runtime;
    QProcess first;
    QProcess second;
};

TEST_F(SetupInstanceTest, ClosesMoraAndRunsOnlyOnce) {
    std::vector<std::string> requests;
    InstanceServer mora([&](const std::string& r) { requests.push_back(r); });
    ASSERT_TRUE(mora.Listen("MoraEdit"));
    Start(first);
    ASSERT_TRUE(test::PumpUntil([&] { return !requests.empty(); }, 10000));
    EXPECT_EQ(requests[0], "close");
    mora.Close();  // Mora has gone; the setup program goes on

    ASSERT_TRUE(test::PumpUntil(
        [] { return SendInstanceRequest("MoraEditSetup", "activate") == InstanceReply::Answered; },
        10000));
    Start(second);
    ASSERT_TRUE(Ended(second, 10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Asked to close, it saves as closing its window does: the missing file is created.
    EXPECT_EQ(SendInstanceRequest("MoraEditSetup", "close", true), InstanceReply::Answered);
    ASSERT_TRUE(Ended(first, 10000));
    Settings saved;
    EXPECT_TRUE(LoadSettings(saved, home.File("MoraIni.sup")));
    EXPECT_EQ(saved.GetGpsPosition, 0);
}

}  // namespace
}  // namespace mora
