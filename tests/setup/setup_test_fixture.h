#pragma once
// A setup window over a fresh program folder, a scripted user interface and the null sound
// device, with helpers that reach its controls by control number.

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <memory>

#include "setup/setup_window.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"
#include "ui/qt_event_loop.h"

namespace mora::test {

class SetupWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `settings` as MoraIni.sup, loads it into the state and opens the window.
    SetupWindow& Open(const Settings& settings);
    // Opens the tab titled `title`.
    void Show(const QString& title);

    template <typename T>
    T* Control(int id) {
        T* w = window->findChild<T*>(QString::number(id));
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    std::vector<uint8_t> IniBytes() const { return ReadFileBytes(state.iniPath); }

    TempDir home;
    ScriptedUi ui;
    QtEventLoop loop;
    SetupState state;
    std::unique_ptr<SetupWindow> window;
};

// Saves the widget at scale 1 and 2 as PNGs in the artifact folder, for a person to look at.
void SaveArtifact(QWidget& widget, const QString& name);

}  // namespace mora::test
