#include <gtest/gtest.h>

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "tests/ui/qt_test_app.h"
#include "ui/qt_ui.h"

namespace mora {
namespace {

// Runs `inspect` on the first modal dialog of type T that opens, from inside its own loop.
template <typename T>
void WhenModalOpens(std::function<void(T*)> inspect) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            inspect(dialog);
        }
    });
    timer->start();
}

struct BoxCase {
    MsgIcon icon;
    MsgButtons buttons;
    QMessageBox::Icon qtIcon;
    QMessageBox::StandardButtons qtButtons;
    QMessageBox::StandardButton click;
    MsgAnswer answer;
};

TEST(QtUi, MessageBoxShowsExactTextIconAndButtonsAndReturnsTheClickedAnswer) {
    test::TestApp();
    const BoxCase cases[] = {
        {MsgIcon::Error, MsgButtons::OkCancel, QMessageBox::Critical,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, MsgAnswer::Cancel},
        {MsgIcon::Error, MsgButtons::OkCancel, QMessageBox::Critical,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, MsgAnswer::Ok},
        {MsgIcon::Question, MsgButtons::YesNoCancel, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No, MsgAnswer::No},
        {MsgIcon::Warning, MsgButtons::RetryCancel, QMessageBox::Warning,
         QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, MsgAnswer::Retry},
        {MsgIcon::Information, MsgButtons::Ok, QMessageBox::Information, QMessageBox::Ok,
         QMessageBox::Ok, MsgAnswer::Ok},
        {MsgIcon::None, MsgButtons::YesNo, QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::Yes, MsgAnswer::Yes},
    };
    QtUi ui;
    for (const BoxCase& c : cases) {
        bool inspected = false;
        WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
            inspected = true;
            EXPECT_EQ(box->windowTitle(), "Error");
            EXPECT_EQ(box->text(), "No ini-file found.\nPlease configure Mora with\nMoraSetup.");
            EXPECT_EQ(box->icon(), c.qtIcon);
            EXPECT_EQ(box->standardButtons(), c.qtButtons);
            box->button(c.click)->click();
        });
        EXPECT_EQ(
            ui.MessageBox("Error", "No ini-file found.\nPlease configure Mora with\nMoraSetup.",
                          c.icon, c.buttons),
            c.answer);
        EXPECT_TRUE(inspected);
    }
}

TEST(QtUi, MessageBoxClosedWithoutAButtonCountsAsTheSafeAnswer) {
    test::TestApp();
    QtUi ui;
    WhenModalOpens<QMessageBox>([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(ui.MessageBox("Error", "x", MsgIcon::Error, MsgButtons::OkCancel), MsgAnswer::Cancel);
    WhenModalOpens<QMessageBox>([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(ui.MessageBox("Question", "x", MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::No);
}

TEST(QtUi, BusyCursorNestsAndTheMessageBoxShowsTheArrow) {
    test::TestApp();
    QtUi ui;
    ui.SetBusy(true);
    ui.SetBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    WhenModalOpens<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
        box->button(QMessageBox::Ok)->click();
    });
    ui.MessageBox("Error", "x", MsgIcon::Error, MsgButtons::Ok);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.SetBusy(false);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    ui.SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ui.SetBusy(false);  // unbalanced: ignored
    EXPECT_EQ(ui.BusyDepth(), 0);
}

TEST(QtUi, TextPromptReturnsTheTypedTextOrNothing) {
    test::TestApp();
    QtUi ui;
    WhenModalOpens<QInputDialog>([](QInputDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Rename");
        EXPECT_EQ(dialog->labelText(), "Type in a new name");
        EXPECT_EQ(dialog->textValue(), "Take 1");
        dialog->setTextValue("Interview");
        dialog->accept();
    });
    EXPECT_EQ(ui.TextPrompt("Rename", "Type in a new name", "Take 1"), "Interview");
    WhenModalOpens<QInputDialog>([](QInputDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(ui.TextPrompt("Rename", "Type in a new name", "Take 1"), std::nullopt);
}

TEST(QtUi, FileDialogsCarryTheRequest) {
    test::TestApp();
    QtUi ui;
    FileDialogRequest request;
    request.title = "Open project";
    request.filters = {{"Mora Project (*.mpr)", "*.mpr"}, {"Audio", "*.wav;*.mp2"}};
    request.defaultExtension = "mpr";
    request.startFolder = "/tmp";
    request.mustExist = true;
    WhenModalOpens<QFileDialog>([](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Open project");
        EXPECT_EQ(dialog->nameFilters(),
                  QStringList({"Mora Project (*.mpr)", "Audio (*.wav *.mp2)"}));
        EXPECT_EQ(dialog->defaultSuffix(), "mpr");
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        dialog->reject();
    });
    EXPECT_EQ(ui.OpenFileDialog(request), std::nullopt);

    request.confirmOverwrite = false;
    WhenModalOpens<QFileDialog>([](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->reject();
    });
    EXPECT_EQ(ui.SaveFileDialog(request), std::nullopt);
}

}  // namespace
}  // namespace mora
