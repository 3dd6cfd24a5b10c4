// Project files of older versions read with their version gates and written back as version 10;
// refused files change nothing.

#include <bit>
#include <cstring>

#include "project/project_file.h"
#include "project/project_store.h"
#include "stream/jstream_file.h"
#include "tests/project/project_fixture.h"

namespace mora {
namespace {

// A project file written field by field, as a program of that version wrote it.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& F64(double v) {
        const auto bits = std::bit_cast<uint64_t>(v);
        U32(static_cast<uint32_t>(bits));
        return U32(static_cast<uint32_t>(bits >> 32));
    }
    Bytes& Str(const std::string& ascii) {
        U32(static_cast<uint32_t>(ascii.size()));
        if (ascii.empty()) return *this;
        for (char c : ascii) b.insert(b.end(), {static_cast<uint8_t>(c), 0});
        b.insert(b.end(), {0, 0});
        return *this;
    }
};

std::vector<uint8_t> OldProjectFile(uint32_t version) {
    Bytes f;
    f.b = {'J', 'M', 'P', 'R'};
    // High bits of the version word are not part of the version.
    f.U32(0x5000 | version).U32(0x20000 | 7).U32(2).U32(1).U32(3);
    for (const char* name : {"Flood00", "Flood01", "Flood02"}) {
        f.Str(name).Str("/where/it/was/made/");
        if (version >= 5)
            f.U32(name[6] == '1' ? 20 : 0).U32(name[6] == '1' ? 50 : 0).U32(1).Str("");
    }
    f.Str("Water rose overnight.");
    if (version >= 4) f.U32(1).Str("/pictures/bridge.jpg").Str("bridge.jpg");
    if (version >= 6) f.U32(2);
    if (version >= 9) f.U32(11).F64(0.5).F64(-2).F64(1e9).U32(12);
    if (version >= 10) f.U32(7);  // beyond the list: the first clip
    return f.b;
}

using ProjectFileTest = test::ProjectTest;

TEST_F(ProjectFileTest, OlderVersionsLoadByTheirGatesInTheProjectsFolderAndSaveAsVersion10) {
    // Recording 02 is gone: its entry is dropped.
    Record(0);
    Record(1);
    Settings settings;
    settings.FtpTestPassed = 1;
    for (uint32_t version : {2u, 4u, 8u, 10u}) {
        SCOPED_TRACE(version);
        test::WriteFileBytes(dir.File("Flood.mpr"), OldProjectFile(version));
        ProjectState loaded;
        loaded.folder = dir.Path();
        loaded.name = "Flood";
        loaded.lastImagePath = "kept";
        ASSERT_TRUE(LoadProject(loaded, settings));
        EXPECT_EQ(loaded.bitrateIndex, 7u);
        EXPECT_EQ(loaded.stereo, version >= 8);
        EXPECT_TRUE(loaded.mp2 == false && loaded.recordToFtp == true);
        EXPECT_EQ(loaded.recordingNumber, 1);
        EXPECT_EQ(loaded.text, "Water rose overnight.");
        EXPECT_EQ(loaded.lastImagePath, version >= 4 ? "/pictures/bridge.jpg" : "kept");
        EXPECT_EQ(loaded.shift, version >= 6 ? 2u : 0u);
        EXPECT_EQ(loaded.reserved.fourth, version >= 9 ? 1e9 : 0);
        EXPECT_EQ(loaded.selectedClip, 0);
        ASSERT_EQ(loaded.clips.entries.size(), 2u);
        const ClipEntry& second = loaded.clips.entries[1];
        EXPECT_EQ(second.folder, dir.Path());
        const uint32_t perSecond = 5u << loaded.shift;
        // Without a level file the range comes from the audio: 2 s... unless the file gave one.
        EXPECT_EQ(second.length, version >= 5 ? 30u : 3 * perSecond);
        EXPECT_EQ(loaded.recording.name, "Flood00");

        ASSERT_TRUE(SaveProject(loaded));
        JStreamFile file(dir.File("Flood.mpr"), true);
        ProjectFileData saved;
        ASSERT_EQ(ReadProjectFile(file, saved), ProjectFileStatus::Ok);
        EXPECT_EQ(test::ReadFileBytes(dir.File("Flood.mpr"))[4], 10);
        EXPECT_EQ(saved.clips.size(), 2u);
        EXPECT_EQ(saved.clips[1].folder, dir.Path());
        EXPECT_EQ(saved.shift, loaded.shift);
        EXPECT_EQ(saved.reserved->fifth, version >= 9 ? 12u : 0u);
        EXPECT_EQ(saved.stereo, version >= 8);
    }
}

TEST_F(ProjectFileTest, RefusedFilesAreReportedAndChangeNothing) {
    Settings settings;
    RecordAndAppend(0);
    const std::vector<uint8_t> good = test::ReadFileBytes(dir.File("Flood.mpr"));
    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    };
    std::vector<uint8_t> tooNew = good;
    tooNew[4] = 11;
    std::vector<uint8_t> hugeCount = test::Slice(good, 0, 20);
    Bytes count;
    count.U32(0xFFFFFFFF);
    hugeCount.insert(hugeCount.end(), count.b.begin(), count.b.end());
    const Case cases[] = {
        {{'J', 'M', 'P', 'Q', 10, 0, 0, 0}, "LoadProject Project Id"},
        {tooNew, "LoadProject Project Version"},
        {test::Slice(good, 0, good.size() - 3), "LoadProject Project Damaged"},
        {hugeCount, "LoadProject Project Damaged"},
    };
    for (const Case& c : cases) {
        test::WriteFileBytes(dir.File("Other.mpr"), c.bytes);
        ui.messages.clear();
        EXPECT_FALSE(OpenProjectFile(state, settings, dir.File("Other.mpr")));
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(state.name, "Flood");
        EXPECT_EQ(state.clips.entries.size(), 1u);
    }
    // A project whose list became empty has no file; opening it keeps the defaults silently.
    ui.messages.clear();
    EXPECT_FALSE(OpenProjectFile(state, settings, dir.File("Empty.mpr")));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SplitPath, FolderAndNameOverSlashesWithDotsInFolders) {
    std::string folder, name;
    SplitPath("/home/me/.local/share/Mora/None/default", folder, name);
    EXPECT_EQ(folder, "/home/me/.local/share/Mora/None/");
    EXPECT_EQ(name, "default");
    SplitPath("/news/Flood.mpr", folder, name);
    EXPECT_EQ(folder + "|" + name, "/news/|Flood");
    SplitPath("/a.mp", folder, name);
    EXPECT_EQ(folder + "|" + name, "|");
    EXPECT_EQ(RecordingSuffix(-1) + RecordingSuffix(7) + RecordingSuffix(123), "0007123");
}

}  // namespace
}  // namespace mora
