// The setup program's pages: what they fill from and store into MoraIni.sup, the tab commands,
// and how the pages look.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest/QTest>

#include "tests/setup/setup_test_fixture.h"
#include "tests/ui/qt_test_app.h"

namespace mora {
namespace {
using test::SetupWindowTest;

// Values away from the defaults everywhere, with odd ones the pages cannot show.
Settings Filled() {
    Settings s;
    s.FtpServer = "ftp.example.org";
    s.FtpUser = "reporter";
    s.FtpPassword = "pw";
    s.FtpDestDir = "in/";
    s.FtpPassive = 1;
    s.FtpProfiles[0] = {"Newsroom", "ftp.example.org", "reporter", "pw", "in/", 1};
    s.FtpProfiles[1] = {"Backup", "backup.example.org", "b", "bpw", "", 0};
    s.FtpProfileName = "Newsroom";
    s.SMTPServer = "mail.example.org";
    s.SmtpAuth = 1;
    s.SmtpProfiles[0] = {"Office", "mail.example.org", 1, "me", "mpw"};
    s.SmtpProfileName = "Office";
    s.EqProfiles[0] = {"Voice", DefaultEqBands(), 1, 3};
    s.EqProfileName = "Voice";
    s.EqOverallGain = 3;
    s.EqBands[1] = {1200, -35, 14, 1};
    s.RecordMp2 = 0;
    s.Mp2BitrateIndex = 5;
    s.SendThrough = 7;  // no button has it
    s.UmidCountry = {'D', 'E', 0, 0};
    s.PublishFileExt = "mp2";
    s.StartupProject = 3;
    s.ScreenMode = 1;
    s.LowMemoryWarning = 5000000;  // not whole megabytes
    s.MeasuredSampleRate = 44093;
    s.GetGpsPosition = 0;
    s.TemplateText = "/home/reporter/template.txt";
    s.UseTemplateText = 1;
    return s;
}

TEST_F(SetupWindowTest, RendersEveryPage) {
    Settings s = Filled();
    Open(s);
    for (size_t i = 0; i < window->TabEntries().size(); ++i) {
        window->Tabs()->setCurrentIndex(static_cast<int>(i));
        QString name = window->TabEntries()[i].title;
        test::SaveArtifact(*window, "setup_" + name.remove(' '));
    }
    window.reset();
    state.interfaceName = "MAYCOM USB Audio Interface";
    Open(s);
    Show("Tandem");
    test::SaveArtifact(*window, "setup_Tandem");
}

TEST_F(SetupWindowTest, StartsWithTheTabsInOrderAndNextWraps) {
    Open(Settings{});
    QStringList titles;
    for (const auto& e : window->TabEntries()) titles << e.title;
    EXPECT_EQ(titles.join(","), "New Project,FTP,Email,Publish,Input EQ,Audio,Options1,Options2");
    EXPECT_EQ(window->windowTitle(), "Mora Edit Setup");
    EXPECT_EQ(window->size(), QSize(480, 400));
    // The GPS choice is not offered.
    EXPECT_EQ(window->findChild<QWidget*>("1125"), nullptr);
    for (int i = 0; i < 8; ++i) window->Next();
    EXPECT_EQ(window->Tabs()->currentIndex(), 0);
    window.reset();
    state.interfaceName = "MAYCOM USB Audio Interface Pro";
    Open(Settings{});
    EXPECT_EQ(window->TabEntries()[5].title, "Tandem Pro");
}

TEST_F(SetupWindowTest, VisitingEveryPageAndSavingKeepsTheFileByteForByte) {
    Open(Filled());
    const auto before = IniBytes();
    for (int i = 0; i < 8; ++i) window->Next();
    ASSERT_TRUE(window->SaveAndExit());
    EXPECT_EQ(IniBytes(), before);
}

TEST_F(SetupWindowTest, SavingChangesOnlyWhatWasEditedAndTurnsGpsOff) {
    Settings s = Filled();
    s.GetGpsPosition = 1;
    Open(s);
    Show("Publish");
    Control<QRadioButton>(1027)->click();
    Show("Options2");
    Control<QSpinBox>(1129)->setValue(8);
    Show("Options1");
    Control<QCheckBox>(1118)->click();  // screen flip
    // Closing the window saves as "Save and exit" does.
    window->close();
    EXPECT_TRUE(window->Saved());

    Settings expected = s;
    expected.GetGpsPosition = 0;
    expected.SendThrough = 2;
    expected.LowMemoryWarning = 8u << 20;
    expected.ScreenMode = 2;
    test::TempDir other;
    ASSERT_TRUE(SaveSettings(expected, other.File("MoraIni.sup")));
    EXPECT_EQ(IniBytes(), test::ReadFileBytes(other.File("MoraIni.sup")));
}

TEST_F(SetupWindowTest, TypedValuesSurviveATabChangeAndCancelLeavesTheFile) {
    Open(Filled());
    const auto before = IniBytes();
    Show("FTP");
    auto* server = Control<QLineEdit>(1001);
    server->clear();
    QTest::keyClicks(server, "ftp.other.org");
    Show("Email");
    Show("FTP");
    EXPECT_EQ(Control<QLineEdit>(1001)->text(), "ftp.other.org");
    window->Cancel();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(IniBytes(), before);
}

TEST_F(SetupWindowTest, ChoosingAnotherFtpProfileStoresTheEditsIntoTheOldOne) {
    Open(Filled());
    Show("FTP");
    auto* user = Control<QLineEdit>(1051);
    user->clear();
    QTest::keyClicks(user, "desk");
    auto* profile = Control<QComboBox>(1098);
    profile->setCurrentIndex(1);
    emit profile->activated(1);
    EXPECT_EQ(Control<QLineEdit>(1001)->text(), "backup.example.org");
    EXPECT_EQ(Control<QLineEdit>(1051)->text(), "b");
    ASSERT_TRUE(window->SaveAndExit());
    Settings saved;
    ASSERT_TRUE(LoadSettings(saved, state.iniPath));
    EXPECT_EQ(saved.FtpProfiles[0].User, "desk");
    EXPECT_EQ(saved.FtpProfileName, "Backup");
    EXPECT_EQ(saved.FtpServer, "backup.example.org");
}

TEST_F(SetupWindowTest, SmtpProfilesAfterTheNamedOnesAreListedAsEmpty) {
    Settings s;
    s.SmtpProfiles[0].Name = "Office";
    s.SmtpProfiles[1].Name = "Home";
    s.SmtpProfiles[3].Name = "Hidden";  // after an unnamed one
    Open(s);
    Show("Email");
    auto* list = Control<QComboBox>(1045);
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    EXPECT_EQ(items.join(","), "Office,Home,Empty2,Empty3,Empty4");
}

TEST_F(SetupWindowTest, EqSlidersAtTheirEnds) {
    Open(Settings{});
    Show("Input EQ");
    const struct {
        int band;
        uint16_t top, bottom;
    } frequencies[] = {{1052, 19893, 1000}, {1053, 4973, 250}, {1054, 397, 20}};
    for (const auto& f : frequencies) {
        Control<QRadioButton>(f.band)->click();
        auto* slider = Control<QSlider>(1058);
        slider->setValue(0);
        EXPECT_EQ(Control<QLineEdit>(1062)->text(), QString::number(f.top));
        slider->setValue(100);
        EXPECT_EQ(Control<QLineEdit>(1062)->text(), QString::number(f.bottom));
    }
    Control<QSlider>(1059)->setValue(0);
    EXPECT_EQ(state.settings.EqBands[2].Gain, 200);
    Control<QSlider>(1059)->setValue(100);
    EXPECT_EQ(Control<QLineEdit>(1063)->text(), "-20.0");
    Control<QSlider>(1060)->setValue(0);
    EXPECT_EQ(Control<QLineEdit>(1064)->text(), "10.1");
    Control<QSlider>(1060)->setValue(100);
    EXPECT_EQ(state.settings.EqBands[2].Q, 1);
    Control<QSlider>(1101)->setValue(0);
    EXPECT_EQ(state.settings.EqOverallGain, -25);
    Control<QSlider>(1101)->setValue(50);
    EXPECT_EQ(Control<QLineEdit>(1102)->text(), "25");

    // A typed gain is kept in tenths and moves the slider.
    auto* gain = Control<QLineEdit>(1063);
    gain->setText("-7.5");
    emit gain->editingFinished();
    EXPECT_EQ(state.settings.EqBands[2].Gain, -75);
    EXPECT_EQ(Control<QSlider>(1059)->value(), 69);
}

TEST_F(SetupWindowTest, SavedPresetLoadsBackIntoTheBands) {
    Settings s = Filled();
    Open(s);
    Show("Input EQ");
    ui.fileChoices.push_back(home.File("Studio.eqp"));
    Control<QPushButton>(1069)->click();
    state.settings.EqBands = DefaultEqBands();
    state.settings.EqOn = 0;
    ui.fileChoices.push_back(home.File("Studio.eqp"));
    Control<QPushButton>(1068)->click();
    EXPECT_EQ(state.settings.EqBands[1].Frequency, 1200);
    EXPECT_EQ(state.settings.EqBands[1].Gain, -35);
    EXPECT_EQ(state.settings.EqBands[1].Q, 14);
    EXPECT_EQ(state.settings.EqOn, 1u);
    EXPECT_EQ(state.settings.EqProfileName, "Studio");
    EXPECT_EQ(Control<QComboBox>(1099)->currentText(), "Studio");
}

TEST_F(SetupWindowTest, MeasurementCountsDownAndStopsOnTabChange) {
    Settings s;
    s.MeasuredSampleRate = 40000;
    Open(s);
    Show("Audio");
    auto* measure = Control<QPushButton>(1061);
    measure->click();
    // The first report comes after eight buffers of 8192 samples (1.5 s on the null device).
    ASSERT_TRUE(test::PumpUntil([&] { return measure->text() == "Wait... 100"; }, 8000));
    EXPECT_EQ(Control<QLineEdit>(1119)->text().toUInt(), state.settings.MeasuredSampleRate);
    // The null device keeps time by a 10 ms timer, so a busy machine slows it: only a change is
    // sure.
    EXPECT_NE(state.settings.MeasuredSampleRate, 40000u);
    Show("Options1");
    const uint32_t kept = state.settings.MeasuredSampleRate;
    test::PumpUntil([] { return false; }, 1000);
    EXPECT_EQ(state.settings.MeasuredSampleRate, kept);
    Show("Audio");
    EXPECT_EQ(Control<QPushButton>(1061)->text(), "Measure Sample-rate");
    EXPECT_FALSE(Control<QPushButton>(1061)->isChecked());
}

}  // namespace
}  // namespace mora
