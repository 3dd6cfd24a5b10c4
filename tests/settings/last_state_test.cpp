#include <gtest/gtest.h>

#include "settings/settings.h"
#include "stream/jstream_memory.h"
#include "tests/settings/file_builder.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::FileBuilder;

FileBuilder LastStateFile(uint32_t version) {
    FileBuilder b;
    b.Raw("MSUS").U32(version).U8(200).U8(120).Str("Ftp B").Str("Voice");
    b.U32(12).Str("/pics/").Str("/proj/").Str("Interview").U8(1).U32(14);
    return b;
}

TEST(LastState, RoundTripWritesTheCurrentProjectAndProfileNames) {
    test::ScriptedUi ui;
    test::TempDir dir;
    Settings settings;
    settings.FtpProfileName = "Ftp A";
    settings.EqProfileName = "Speech";
    LastState state;
    state.InterfaceGain = 190;
    state.InterfaceVolume = 115;
    state.RecordGain = 33;
    state.LastImageFolder = "/home/anna/Pictures/";
    state.LastProjectFolder = "/old/";
    state.KeepNames = 1;
    state.PlayVolume = 9;
    ASSERT_TRUE(
        SaveLastState(state, settings, "/home/anna/Proj/", "Storm", dir.File("MoraSet.sup")));

    FileBuilder expected;
    expected.Raw("MSUS").U32(8).U8(190).U8(115).Str("Ftp A").Str("Speech").U32(33);
    expected.Str("/home/anna/Pictures/").Str("/home/anna/Proj/").Str("Storm").U8(1).U32(9);
    EXPECT_EQ(test::ReadFileBytes(dir.File("MoraSet.sup")), expected.bytes);

    LastState loaded;
    Settings fresh;
    ASSERT_TRUE(LoadLastState(loaded, fresh, dir.File("MoraSet.sup")));
    EXPECT_EQ(loaded.RecordGain, 33u);
    EXPECT_EQ(loaded.LastProjectFolder, "/home/anna/Proj/");
    EXPECT_EQ(loaded.LastProjectName, "Storm");
    EXPECT_EQ(loaded.PlayVolume, 9u);
    EXPECT_EQ(fresh.FtpProfileName, "");    // version 8 ignores the stored FTP profile name
    EXPECT_EQ(fresh.EqProfileName, "EQ0");  // EQ profile choice is not allowed
}

TEST(LastState, ProfileNamesFollowTheVersionAndSelectionRules) {
    for (uint32_t version : {2u, 3u, 4u}) {
        JStreamMemory in(LastStateFile(version).bytes);
        LastState state;
        Settings settings;
        settings.AllowEqProfileSelection = 1;
        ASSERT_TRUE(ReadLastState(in, state, settings));
        EXPECT_EQ(settings.FtpProfileName, version <= 3 ? "Ftp B" : "") << version;
        EXPECT_EQ(settings.EqProfileName, version >= 3 ? "Voice" : "EQ0") << version;
        EXPECT_EQ(state.InterfaceGain, 200);
        EXPECT_EQ(state.RecordGain, version > 3 ? 12u : 0u);
        EXPECT_EQ(state.LastImageFolder, "");  // gate 4 and later are absent here
    }
}

TEST(LastState, MissingOrForeignFilesAreIgnoredSilently) {
    test::ScriptedUi ui;
    test::TempDir dir;
    LastState state;
    Settings settings;
    EXPECT_FALSE(LoadLastState(state, settings, dir.File("MoraSet.sup")));
    test::WriteFileText(dir.File("MoraSet.sup"), "MSUP\x08");
    EXPECT_FALSE(LoadLastState(state, settings, dir.File("MoraSet.sup")));
    EXPECT_EQ(state.PlayVolume, 20u);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace mora
