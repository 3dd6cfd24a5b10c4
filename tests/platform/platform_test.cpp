#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/program_dir.h"
#include "platform/system_facts.h"
#include "platform/utf16.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

TEST(Utf16, ConvertsBothWaysAndReplacesMalformedInput) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xA4";  // a, é, €, a microphone
    std::u16string units = Utf8ToUtf16(text);
    EXPECT_EQ(units, (std::u16string{u'a', 0xE9, 0x20AC, 0xD83C, 0xDFA4}));
    EXPECT_EQ(Utf16ToUtf8(units), text);
    EXPECT_EQ(Utf8ToUtf16("\xFF"
                          "b\xC3"),
              (std::u16string{0xFFFD, u'b', 0xFFFD}));
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));  // overlong '/'
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}),
              "\xEF\xBF\xBD"
              "x");
}

TEST(ProgramDir, OverrideAddsTheSlashAndPathsSplitAtTheLastSlash) {
    SetProgramDir("/opt/mora");
    EXPECT_EQ(ProgramDir(), "/opt/mora/");
    EXPECT_EQ(ProgramFile("MoraIni.sup"), "/opt/mora/MoraIni.sup");
    SetProgramDir("");
    EXPECT_EQ(ProgramDir().back(), '/');
    EXPECT_EQ(FolderOf("/a/b/c.mpr"), "/a/b/");
    EXPECT_EQ(FileNameOf("/a/b/c.mpr"), "c.mpr");
    EXPECT_EQ(FolderOf("c.mpr"), "");
}

TEST(SystemFacts, BatteryComesFromTheFirstBatteryOnly) {
    test::TempDir dir;
    auto supply = [&](const std::string& name, const std::string& type, const std::string& cap) {
        std::filesystem::create_directories(dir.File(name));
        std::ofstream(dir.File(name + "/type")) << type << "\n";
        if (!cap.empty()) std::ofstream(dir.File(name + "/capacity")) << cap << "\n";
    };
    EXPECT_FALSE(BatteryPercent(dir.Path()).has_value());
    supply("AC", "Mains", "");
    EXPECT_FALSE(BatteryPercent(dir.Path()).has_value());
    supply("BAT1", "Battery", "40");
    supply("BAT0", "Battery", "87");
    EXPECT_EQ(BatteryPercent(dir.Path()), 87);
    EXPECT_TRUE(FreeDiskBytes(dir.Path()).has_value());
    EXPECT_FALSE(FreeDiskBytes(dir.File("missing")).has_value());
    auto memory = GetMemoryStatus();
    ASSERT_TRUE(memory.has_value());
    EXPECT_GT(memory->totalBytes, 0u);
}

}  // namespace
}  // namespace mora
