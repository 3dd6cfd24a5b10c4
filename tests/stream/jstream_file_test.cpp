#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "stream/jstream_file.h"
#include "stream/replace_file.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::ScriptedUi;
using test::TempDir;

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i + 1);
    return v;
}

TEST(JStreamFile, ShortReadZeroFillsSetsAtEndAndStaysGood) {
    ScriptedUi ui;
    TempDir dir;
    test::WriteFileBytes(dir.File("a"), Counting(200));
    JStreamFile f(dir.File("a"), true);
    ASSERT_TRUE(f.IsReadable());

    uint8_t buf[100];
    std::fill(std::begin(buf), std::end(buf), 0xEE);
    f.Read(buf, 0);  // nothing happens, nothing changes
    EXPECT_EQ(buf[0], 0xEE);
    EXPECT_EQ(f.state, JStream::good | JStream::open | JStream::readMode);

    f.SetPosition(160);
    EXPECT_EQ(f.Read(buf, 100), 40);
    EXPECT_EQ(buf[0], 161);
    EXPECT_EQ(buf[39], 200);
    for (int i = 40; i < 100; ++i) ASSERT_EQ(buf[i], 0) << i;
    EXPECT_TRUE(f.IsAtEnd());
    EXPECT_TRUE(f.IsGood());
    EXPECT_TRUE(ui.messages.empty());

    // atEnd is cleared only by a successful open.
    f.SetPosition(0);
    EXPECT_TRUE(f.IsAtEnd());
    f.Open(dir.File("a"), true);
    EXPECT_FALSE(f.IsAtEnd());
}

TEST(JStreamFile, WrongDirectionAndClosedStreamsDoNothingQuietly) {
    ScriptedUi ui;
    TempDir dir;
    test::WriteFileBytes(dir.File("a"), Counting(10));
    JStreamFile f(dir.File("a"), true);
    uint8_t byte = 7;
    EXPECT_EQ(f.Write(&byte, 1), 0);
    EXPECT_TRUE(f.IsReadable());
    EXPECT_EQ(test::ReadFileBytes(dir.File("a")), Counting(10));

    JStreamFile closed;
    EXPECT_EQ(closed.GetPosition(), 0u);
    EXPECT_EQ(closed.GetSize(), 0u);
    closed.SetPosition(5);
    closed.Skip(5);
    EXPECT_EQ(closed.Read(&byte, 1), 0);
    EXPECT_EQ(byte, 7);
    EXPECT_EQ(closed.state, 0u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(JStreamFile, FailuresStickUntilTheNextOpen) {
    ScriptedUi ui;
    TempDir dir;
    test::WriteFileBytes(dir.File("a"), Counting(10));
    JStreamFile f(dir.File("a"), true);
    f.SetPosition(-1);  // an impossible position fails and clears good
    EXPECT_FALSE(f.IsGood());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(ui.messages[0].text.rfind("Position 22 ", 0), 0u) << ui.messages[0].text;

    uint8_t buf[4] = {9, 9, 9, 9};
    EXPECT_EQ(f.Read(buf, 4), 0);
    EXPECT_EQ(buf[0], 9);
    f.Close();
    EXPECT_FALSE(f.IsGood());  // Close keeps the failure
    f.Open(dir.File("a"), true);
    EXPECT_TRUE(f.IsReadable());
    f.Read(buf, 4);
    EXPECT_EQ(buf[0], 1);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(JStreamFile, OpenFailuresReportTheirTexts) {
    ScriptedUi ui;
    TempDir dir;
    JStreamFile f;
    f.Open("", true);
    f.OpenEx("", JStreamFile::Access::Write, JStreamFile::Share::None,
             JStreamFile::Disposition::OpenExisting);
    f.CreateForAppend("");
    f.Open(dir.File("missing"), true);
    f.OpenEx(dir.File("missing"), JStreamFile::Access::Write, JStreamFile::Share::None,
             JStreamFile::Disposition::OpenExisting);
    EXPECT_FALSE(f.IsGood());
    auto texts = ui.Texts();
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], "CreateFile no filename,read2");
    EXPECT_EQ(texts[1], "CreateFile no filename,read");
    EXPECT_EQ(texts[2], "CreateFile no filename at append");
    EXPECT_EQ(texts[3],
              "Cannot open file : " + dir.File("missing") + " 2 No such file or directory");
    EXPECT_EQ(texts[4], "CreateFile 2 No such file or directory");
}

TEST(JStreamFile, ReopenClosesTheFirstFileAndOpenExKeepsContent) {
    ScriptedUi ui;
    TempDir dir;
    test::WriteFileBytes(dir.File("a"), Counting(10));
    JStreamFile f(dir.File("b"), false);
    const int first = f.Handle();
    f.Open(dir.File("a"), true);
    EXPECT_TRUE(f.IsReadable());
    EXPECT_EQ(f.GetSize(), 10u);
    EXPECT_EQ(f.Handle(), first);  // the first handle was released and reused

    // Writing into an existing file without truncating it, then shortening it in place.
    f.OpenEx(dir.File("a"), JStreamFile::Access::Write, JStreamFile::Share::None,
             JStreamFile::Disposition::OpenExisting);
    ASSERT_TRUE(f.IsWritable());
    f.SetPosition(2);
    uint8_t x = 0xAA;
    f.Write(&x, 1);
    EXPECT_EQ(f.GetPosition(), 3u);
    EXPECT_TRUE(f.Truncate(5));
    f.Close();
    EXPECT_EQ(test::ReadFileBytes(dir.File("a")), (std::vector<uint8_t>{1, 2, 0xAA, 4, 5}));
}

TEST(JStreamFile, AppendModeKeepsNoHandleOpen) {
    ScriptedUi ui;
    TempDir dir;
    const std::string path = dir.File("append.bin");
    JStreamFile fresh;
    fresh.AppendWrite(path, "x", 1);  // good is clear on a fresh stream
    EXPECT_FALSE(test::FileExists(path));

    test::WriteFileText(path, "old content");
    JStreamFile f;
    f.CreateForAppend(path);
    EXPECT_TRUE(f.IsGood());
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(test::ReadFileText(path), "");
    for (const char* part : {"one", "two", "three"}) {
        f.AppendWrite(path, part, static_cast<uint32_t>(strlen(part)));
        EXPECT_FALSE(f.IsOpen());
        EXPECT_EQ(f.Handle(), -1);
    }
    EXPECT_EQ(test::ReadFileText(path), "onetwothree");
    EXPECT_EQ(f.ReopenAtEnd(path), 11u);
    EXPECT_TRUE(f.IsWritable());
    f.Close();
    EXPECT_TRUE(ui.messages.empty());
}

TEST(JStreamFile, FailedWriteClearsGoodAndReports) {
    ScriptedUi ui;
    JStreamFile f("/dev/full", false);
    ASSERT_TRUE(f.IsWritable());
    f.Write("abc", 3);
    EXPECT_FALSE(f.IsGood());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("WriteFile 28 ", 0), 0u) << ui.messages[0].text;
}

TEST(ReplaceFileSafely, KeepsTheOldFileWhenWritingFails) {
    ScriptedUi ui;
    TempDir dir;
    const std::string path = dir.File("settings");
    test::WriteFileText(path, "old");
    EXPECT_TRUE(ReplaceFileSafely(path, true, [](JStream& s) { s.Write("new", 3); }));
    EXPECT_EQ(test::ReadFileText(path), "new");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_FALSE(ReplaceFileSafely(path, false, [](JStream& s) {
        s.Write("partial", 7);
        s.state &= ~JStream::good;  // as a failed write would leave it
    }));
    EXPECT_EQ(test::ReadFileText(path), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// A temporary name someone else could plant (a link or a file of theirs) once received the
// passwords.
TEST(ReplaceFileSafely, NeverWritesThroughAPlantedTemporaryFileOrLink) {
    ScriptedUi ui;
    TempDir dir;
    const std::string path = dir.File("MoraIni.sup");
    ASSERT_EQ(::symlink(dir.File("stolen").c_str(), (path + ".new").c_str()), 0);
    test::WriteFileText(dir.File("temp.ini"), "planted");
    EXPECT_TRUE(ReplaceFileSafely(path, true, [](JStream& s) { s.Write("secret", 6); }));
    EXPECT_FALSE(test::FileExists(dir.File("stolen")));
    EXPECT_EQ(test::ReadFileText(dir.File("temp.ini")), "planted");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

}  // namespace
}  // namespace mora
