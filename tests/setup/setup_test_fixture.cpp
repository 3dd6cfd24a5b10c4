#include "tests/setup/setup_test_fixture.h"

#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>

#include "platform/audio/audio_system.h"
#include "platform/program_dir.h"
#include "tests/ui/qt_test_app.h"

namespace mora::test {

void SetupWindowTest::SetUp() {
    TestApp();
    SetProgramDir(home.Path());
    state.iniPath = home.File("MoraIni.sup");
    state.audio = MakeNullAudioSystem(loop, Pace::kRealTime);
}

void SetupWindowTest::TearDown() {
    window.reset();
    SetProgramDir("");
}

SetupWindow& SetupWindowTest::Open(const Settings& settings) {
    EXPECT_TRUE(SaveSettings(settings, state.iniPath));
    state.settings = Settings{};
    state.settingsLoaded = LoadSettings(state.settings, state.iniPath);
    window = std::make_unique<SetupWindow>(state);
    window->show();
    return *window;
}

void SetupWindowTest::Show(const QString& title) {
    for (size_t i = 0; i < window->TabEntries().size(); ++i) {
        if (window->TabEntries()[i].title == title) {
            window->Tabs()->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    ADD_FAILURE() << "no tab " << title.toStdString();
}

void SaveArtifact(QWidget& widget, const QString& name) {
    const QString dir = qEnvironmentVariable("MORA_ARTIFACT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    for (int scale : {1, 2}) {
        QPixmap pixmap(widget.size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        widget.render(&pixmap);
        EXPECT_TRUE(pixmap.save(QString("%1/%2@%3x.png").arg(dir, name).arg(scale)));
    }
}

}  // namespace mora::test
