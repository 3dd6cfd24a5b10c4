#include "app/startup.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/program_dir.h"
#include "project/project_file.h"
#include "project/project_store.h"
#include "settings/ini_store.h"
#include "stream/jstream_file.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

TEST(ClientSize, MissingFileGivesTheDoubledPortraitAndWritesBothKeys) {
    test::TempDir dir;
    const std::string path = dir.File("size.txt");
    const ClientSize size = ReadClientSize(path);
    EXPECT_EQ(size.width, 480);
    EXPECT_EQ(size.height, 540);
    EXPECT_EQ(IniReadInt("Size", "Landscape", -1, path), 0);
    EXPECT_EQ(IniReadInt("Size", "Big", -1, path), 1);
}

TEST(ClientSize, KeysAreReadAndWrittenBackNormalised) {
    struct Case {
        int landscape, big, width, height, writtenLandscape, writtenBig;
    };
    const Case cases[] = {
        {7, 1, 480, 540, 0, 1}, {1, 0, 320, 190, 1, 0}, {1, 1, 640, 380, 1, 1},
        {2, 0, 240, 190, 2, 0}, {2, 5, 240, 190, 2, 0}, {-1, 0, 240, 270, 0, 0},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir.File("size.txt");
        IniWriteInt("Size", "Landscape", c.landscape, path);
        IniWriteInt("Size", "Big", c.big, path);
        const ClientSize size = ReadClientSize(path);
        EXPECT_EQ(size.width, c.width) << c.landscape << "/" << c.big;
        EXPECT_EQ(size.height, c.height) << c.landscape << "/" << c.big;
        EXPECT_EQ(IniReadInt("Size", "Landscape", -9, path), c.writtenLandscape);
        EXPECT_EQ(IniReadInt("Size", "Big", -9, path), c.writtenBig);
    }
}

// A fresh state on the default project "Report"; a project file's text tells that it was
// loaded.
class StartupProjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.settings.NewProjectPath = dir.File("Report");
        InitProject(state.project, state.settings);
    }
    void Touch(const std::string& name) {
        JStreamFile file(dir.File(name), false);
        ProjectFileData data;
        data.text = "text of " + name;
        WriteProjectFile(file, data);
    }
    std::string Loaded() const { return state.project.text; }

    test::TempDir dir;
    AppState state;
};

TEST_F(StartupProjectTest, OverwriteDefaultNeverLoads) {
    Touch("Report.mpr");
    state.settings.StartupProject = 0;
    ChooseStartupProject(state);
    EXPECT_EQ(Loaded(), "");
    EXPECT_EQ(state.project.folder + state.project.name, dir.File("Report"));
}

TEST_F(StartupProjectTest, LoadDefaultOnlyWhenItsFileExists) {
    state.settings.StartupProject = 1;
    ChooseStartupProject(state);
    EXPECT_EQ(Loaded(), "");
    Touch("Report.mpr");
    ChooseStartupProject(state);
    EXPECT_EQ(Loaded(), "text of Report.mpr");
}

TEST_F(StartupProjectTest, CreateUniqueCountsPastExistingNames) {
    state.settings.StartupProject = 2;
    ChooseStartupProject(state);  // no default file yet: the default stays
    EXPECT_EQ(state.project.name, "Report");
    EXPECT_EQ(state.settings.NewProjectPath, dir.File("Report"));

    Touch("Report.mpr");
    Touch("Report1-.mpr");
    Touch("Report3-.mpr");
    ChooseStartupProject(state);
    EXPECT_EQ(state.settings.NewProjectPath, dir.File("Report2-"));
    EXPECT_EQ(state.project.folder, dir.Path());
    EXPECT_EQ(state.project.name, "Report2-");
    EXPECT_EQ(state.project.recording.name, "Report2-00");
    EXPECT_EQ(Loaded(), "");
}

TEST_F(StartupProjectTest, LoadLastUsedOnlyWhenItsFileExists) {
    state.settings.StartupProject = 3;
    state.lastState.LastProjectFolder = dir.Path();
    state.lastState.LastProjectName = "Monday";
    ChooseStartupProject(state);
    EXPECT_EQ(Loaded(), "");
    EXPECT_EQ(state.project.name, "Report");

    Touch("Monday.mpr");
    ChooseStartupProject(state);
    EXPECT_EQ(Loaded(), "text of Monday.mpr");
    EXPECT_EQ(state.project.name, "Monday");
}

TEST_F(StartupProjectTest, CommandLinePathWinsOverTheRule) {
    state.settings.StartupProject = 2;
    Touch("Report.mpr");
    Touch("Flood.mpr");
    state.commandLine = dir.File("Flood.mpr");
    ChooseStartupProject(state);
    EXPECT_EQ(state.project.folder, dir.Path());
    EXPECT_EQ(state.project.name, "Flood");
    EXPECT_EQ(Loaded(), "text of Flood.mpr");

    // A leading blank means "no path": the rule applies.
    state.commandLine = " " + dir.File("Flood.mpr");
    InitProject(state.project, state.settings);
    ChooseStartupProject(state);
    EXPECT_EQ(Loaded(), "");
    EXPECT_EQ(state.project.name, "Report1-");
}

Settings WithProfiles(std::vector<std::string> names) {
    Settings s;
    for (size_t i = 0; i < names.size(); ++i) {
        s.EqProfiles[i].Name = names[i];
        s.EqProfiles[i].EqOn = 1;
        s.EqProfiles[i].OverallGain = static_cast<int16_t>(i + 1);
        s.EqProfiles[i].Bands[0].Frequency = static_cast<uint16_t>(6000 + i);
    }
    return s;
}

TEST(EqProfiles, StartupAppliesTheNamedProfileOrSwitchesTheEqualiserOff) {
    Settings s = WithProfiles({"Street", "Studio"});
    s.EqProfileName = "Studio";
    s.EqOn = 0;
    SelectStartupEqProfile(s);
    EXPECT_EQ(s.EqOn, 1u);
    EXPECT_EQ(s.EqOverallGain, 2);
    EXPECT_EQ(s.EqBands[0].Frequency, 6001);

    // The scan ends at the first unnamed profile: the equaliser stays as it was.
    s = WithProfiles({"Street", "", "Studio"});
    s.EqProfileName = "Studio";
    s.EqOn = 1;
    SelectStartupEqProfile(s);
    EXPECT_EQ(s.EqOn, 1u);
    EXPECT_EQ(s.EqOverallGain, 0);

    s = WithProfiles({"A", "B", "C", "D", "E"});
    s.EqProfileName = "Z";
    s.EqOn = 1;
    SelectStartupEqProfile(s);
    EXPECT_EQ(s.EqOn, 0u);
}

TEST(EqProfiles, InputOptionsListNamesThenPlacesAndTakeOnlyAnExactEntry) {
    Settings s = WithProfiles({"Street", "Studio"});
    EXPECT_EQ(InputOptionEntries(s),
              (std::vector<std::string>{"Street", "Studio", "EQ2", "EQ3", "EQ4"}));
    EXPECT_FALSE(ChooseInputOption(s, "studio"));
    EXPECT_EQ(s.EqProfileName, "EQ0");
    EXPECT_TRUE(ChooseInputOption(s, "Studio"));
    EXPECT_EQ(s.EqProfileName, "Studio");
    EXPECT_EQ(s.EqOverallGain, 2);
    EXPECT_TRUE(ChooseInputOption(s, "EQ3"));
    EXPECT_EQ(s.EqProfileName, "EQ3");
    EXPECT_EQ(s.EqOn, 0u);  // the unnamed profile's own switch
}

TEST(ScreenBitmaps, PairFollowsLayoutAndModeAndAWideDisplayForcesModeZero) {
    Settings s;
    s.ScreenMode = 1;
    ScreenBitmapPair p = ChooseScreenBitmaps(s, 480, 640);
    EXPECT_EQ(p.first, 521);
    EXPECT_EQ(p.second, 522);
    s.LiteLayout = 1;
    EXPECT_EQ(ChooseScreenBitmaps(s, 480, 640).first, 523);
    p = ChooseScreenBitmaps(s, 640, 480);
    EXPECT_EQ(s.ScreenMode, 0u);
    EXPECT_EQ(p.first, 509);
    EXPECT_EQ(p.second, 510);
    s.LiteLayout = 0;
    EXPECT_EQ(ChooseScreenBitmaps(s, 640, 480).first, 494);
}

TEST(StartupSettings, MissingFilesKeepDefaultsAndTheRecordGainRuleApplies) {
    test::TempDir dir;
    SetProgramDir(dir.Path());
    AppState fresh;
    EXPECT_FALSE(LoadStartupSettings(fresh));
    EXPECT_EQ(fresh.settings.FtpTestPassed, 1);

    AppState saved;
    saved.settings.DigitalMicGainControl = 1;
    saved.lastState.RecordGain = 77;
    ASSERT_TRUE(SaveSettings(saved.settings, dir.File("MoraIni.sup")));
    ASSERT_TRUE(
        SaveLastState(saved.lastState, saved.settings, "/p/", "Take", dir.File("MoraSet.sup")));
    AppState withGain;
    EXPECT_TRUE(LoadStartupSettings(withGain));
    EXPECT_EQ(withGain.lastState.RecordGain, 77u);
    EXPECT_EQ(withGain.lastState.LastProjectName, "Take");

    saved.settings.DigitalMicGainControl = 0;
    ASSERT_TRUE(SaveSettings(saved.settings, dir.File("MoraIni.sup")));
    AppState withoutGain;
    EXPECT_TRUE(LoadStartupSettings(withoutGain));
    EXPECT_EQ(withoutGain.lastState.RecordGain, 0u);
    SetProgramDir("");
}

}  // namespace
}  // namespace mora
