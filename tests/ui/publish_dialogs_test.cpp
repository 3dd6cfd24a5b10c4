// The publish dialogs: the e-mail dialog's Start refuses an illegal address and stays open,
// writes the history for a good one, and shows the size estimate; the FTP dialog takes the
// chosen server. Pictures of both go to MORA_ARTIFACT_DIR at scale 1 and 2.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "ui/publish_dialogs.h"

namespace mora {
namespace {

void SaveArtifact(QWidget& widget, const std::string& name) {
    const char* dir = std::getenv("MORA_ARTIFACT_DIR");
    if (!dir) return;
    QDir().mkpath(dir);
    widget.adjustSize();
    for (int scale : {1, 2}) {
        QImage image(widget.size() * scale, QImage::Format_ARGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::white);
        QPainter painter(&image);
        widget.render(&painter);
        painter.end();
        EXPECT_TRUE(image.save(QString::fromStdString(std::string(dir) + "/" + name + "@" +
                                                      std::to_string(scale) + ".png")));
    }
}

TEST(PublishDialog, EmailStartRefusesAnIllegalAddressAndKeepsTheHistory) {
    test::TestApp();
    test::ScriptedUi ui;
    test::TempDir dir;
    const std::string history = dir.File("emails.txt");
    test::WriteFileText(history, "anna@example.org\nbob@example.org\n");
    Settings settings;
    settings.SmtpProfiles[0] = {"Newsroom", "smtp.example.org", 1, "anna", "pw"};
    settings.SmtpProfiles[1] = {"Backup", "backup.example.org", 0, "", ""};
    settings.SmtpProfileName = "Backup";
    LastState lastState;
    PublishSession session;
    session.images.Add("/photos/harbour.jpg", "harbour.jpg", 1000000);
    session.images.Add("/photos/mayor.png", "mayor.png", 20000);
    PublishDialogRequest request;
    request.email = true;
    request.withImages = true;
    request.audioBytes = 3000000;
    PublishDialog dialog(request, settings, lastState, session, history);

    auto* to = dialog.findChild<QComboBox*>("1019");
    auto* server = dialog.findChild<QComboBox*>("1020");
    auto* info = dialog.findChild<QLabel*>("1021");
    ASSERT_TRUE(to && server && info && dialog.findChild<QListWidget*>("1035"));
    EXPECT_EQ(to->count(), 2);
    EXPECT_EQ(server->currentText(), "Backup");
    EXPECT_EQ(info->text(), "Email-size will be : 3983 KB");
    dialog.findChild<QCheckBox*>("1027")->setChecked(true);
    EXPECT_EQ(info->text(), "Email-size will be : 5337 KB");
    dialog.findChild<QLineEdit*>("1022")->setText("Mayor resigns");
    SaveArtifact(dialog, "mora_publish_email");

    dialog.show();
    to->setEditText("desk.example.org");
    dialog.findChild<QPushButton*>("1")->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "error");
    EXPECT_EQ(ui.messages[0].text, "Illegal email-address");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(test::ReadFileText(history), "anna@example.org\nbob@example.org\n");

    to->setEditText("BOB@example.org");
    server->setCurrentIndex(0);
    dialog.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(test::ReadFileText(history), "BOB@example.org\nanna@example.org\n");
    EXPECT_EQ(settings.SMTPServer, "smtp.example.org");
    EXPECT_EQ(session.mail.subject, "Mayor resigns");
}

TEST(PublishDialog, FtpImagesDialogTakesTheChosenServerAndEditsTheList) {
    test::TestApp();
    test::ScriptedUi ui;
    Settings settings;
    settings.AllowFtpProfileSelection = 1;
    settings.FtpProfiles[0] = {"Desk", "desk.example.org", "u", "p", "in", 1};
    settings.FtpProfiles[1] = {"Radio", "radio.example.org", "r", "q", "audio", 0};
    LastState lastState;
    PublishSession session;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) session.images.Add(name, name, 10);
    PublishDialogRequest request;
    request.withImages = true;
    request.serverChoice = true;
    request.imagesOnly = true;
    PublishDialog dialog(request, settings, lastState, session, "");
    auto* list = dialog.findChild<QListWidget*>("1035");
    ASSERT_TRUE(list && dialog.findChild<QCheckBox*>("1037"));
    SaveArtifact(dialog, "mora_publish_ftp");
    list->setCurrentRow(2);
    dialog.findChild<QPushButton*>("remove")->click();
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 1);
    dialog.findChild<QCheckBox*>("1037")->setChecked(true);
    dialog.findChild<QComboBox*>("1030")->setCurrentIndex(1);
    dialog.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.FtpServer, "radio.example.org");
    EXPECT_EQ(lastState.KeepNames, 1);
}

}  // namespace
}  // namespace mora
