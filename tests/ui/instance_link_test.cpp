#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTimer>
#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "ui/instance_link.h"

namespace mora {
namespace {

class InstanceLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.Path()));
    }

    // Sends from another thread (the listener needs this thread's loop) and waits for it.
    InstanceReply Send(const std::string& className, const std::string& request,
                       bool waitForExit = false, int timeoutMs = 3000) {
        auto reply = std::async(std::launch::async, [=] {
            return SendInstanceRequest(className, request, waitForExit, timeoutMs);
        });
        test::PumpUntil(
            [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            timeoutMs + 3000);
        return reply.get();
    }

    test::TempDir runtime_;
};

TEST_F(InstanceLinkTest, RequestsReachTheListenerOfTheirClassOnly) {
    std::vector<std::string> requests;
    InstanceServer server([&](const std::string& r) { requests.push_back(r); });
    ASSERT_TRUE(server.Listen("MoraEdit"));
    EXPECT_EQ(InstanceSocketPath("MoraEdit"), QString::fromStdString(runtime_.Path()) + "MoraEdit");

    EXPECT_EQ(Send("MoraEdit", "activate"), InstanceReply::Answered);
    EXPECT_EQ(Send("MoraEdit", "open /home/reporter/Story 1.mpr"), InstanceReply::Answered);
    EXPECT_EQ(Send("MoraEditSetup", "close"), InstanceReply::NotRunning);
    EXPECT_EQ(requests, (std::vector<std::string>{"activate", "open /home/reporter/Story 1.mpr"}));

    server.Close();
    EXPECT_EQ(Send("MoraEdit", "activate"), InstanceReply::NotRunning);
}

TEST_F(InstanceLinkTest, ASocketLeftBehindIsTakenOver) {
    QFile stale(InstanceSocketPath("MoraEdit"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    int count = 0;
    InstanceServer server([&](const std::string&) { ++count; });
    ASSERT_TRUE(server.Listen("MoraEdit"));
    EXPECT_EQ(Send("MoraEdit", "activate"), InstanceReply::Answered);
    EXPECT_EQ(count, 1);
}

TEST_F(InstanceLinkTest, ACloseRequestWaitsUntilTheOtherInstanceHasEnded) {
    std::atomic<bool> ended = false;
    InstanceServer server([&](const std::string& r) {
        if (r != "close") return;
        // The instance shuts down a little later, as after its event loop ends.
        QTimer::singleShot(200, [&] {
            ended = true;
            server.Close();
        });
    });
    ASSERT_TRUE(server.Listen("MoraEdit"));
    auto reply = std::async(std::launch::async, [&] {
        InstanceReply r = SendInstanceRequest("MoraEdit", "close", true, 5000);
        return std::make_pair(r, ended.load());
    });
    test::PumpUntil(
        [&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 8000);
    const auto [answer, endedFirst] = reply.get();
    EXPECT_EQ(answer, InstanceReply::Answered);
    EXPECT_TRUE(endedFirst);
}

TEST_F(InstanceLinkTest, AnEndlessRequestIsDroppedAndTheLinkGoesOn) {
    int count = 0;
    InstanceServer server([&](const std::string&) { ++count; });
    ASSERT_TRUE(server.Listen("MoraEdit"));
    EXPECT_EQ(Send("MoraEdit", std::string(200 * 1024, 'x'), false, 1000), InstanceReply::NoAnswer);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Send("MoraEdit", "activate"), InstanceReply::Answered);
    EXPECT_EQ(count, 1);
}

TEST_F(InstanceLinkTest, APeerThatNeverAnswersIsGivenUpOnInTime) {
    InstanceServer server([](const std::string&) {});
    ASSERT_TRUE(server.Listen("MoraEdit"));
    // This thread does not run its loop, so the listener accepts nothing and answers nothing.
    EXPECT_EQ(SendInstanceRequest("MoraEdit", "activate", false, 300), InstanceReply::NoAnswer);
}

// A second instance once removed the socket of a first one too busy to answer, and both ran.
TEST_F(InstanceLinkTest, ABusyInstanceKeepsItsSocket) {
    InstanceServer first([](const std::string&) {});
    ASSERT_TRUE(first.Listen("MoraEdit"));
    InstanceServer second([](const std::string&) {});
    EXPECT_FALSE(second.Listen("MoraEdit"));  // the first one's loop is not running: busy
    EXPECT_TRUE(second.HeldByAnother());
    EXPECT_TRUE(QFile::exists(InstanceSocketPath("MoraEdit")));
    EXPECT_EQ(Send("MoraEdit", "activate"), InstanceReply::Answered);
}

TEST_F(InstanceLinkTest, ASharedSocketFolderOthersCanEnterIsRefused) {
    qunsetenv("XDG_RUNTIME_DIR");
    const QByteArray tmp = qgetenv("TMPDIR"), home = qgetenv("HOME");
    qputenv("TMPDIR", QByteArray::fromStdString(runtime_.Path()));
    qputenv("HOME", QByteArray::fromStdString(runtime_.Path()));
    const std::string shared = runtime_.File("mora-" + std::to_string(::getuid()));
    ASSERT_EQ(::mkdir(shared.c_str(), 0700), 0);
    EXPECT_EQ(InstanceSocketFolder(), shared);
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    EXPECT_FALSE(IsPrivateFolder(shared));
    const std::string used = InstanceSocketFolder();
    EXPECT_NE(used, shared);
    EXPECT_TRUE(IsPrivateFolder(used));
    qputenv("TMPDIR", tmp);
    qputenv("HOME", home);
}

}  // namespace
}  // namespace mora
