#pragma once
// The publish dialogs as Qt dialogs: the e-mail dialog (To with the recipient history, Subject,
// the SMTP server, the images and the size estimate) and the FTP dialog (server choice and
// images). Every control carries its identifier as object name; "Start" is "1", "Cancel" "2".

#include <QDialog>
#include <string>

#include "publish/publish_job.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace mora {

class PublishDialog : public QDialog {
  public:
    PublishDialog(const PublishDialogRequest& request, Settings& settings, LastState& lastState,
                  PublishSession& session, std::string historyPath, QWidget* parent = nullptr);

    // "Start": takes the choices; an illegal address keeps the dialog open.
    void Start();
    void AddImage();
    void RemoveImage();
    void ClearImages();

  private:
    void FillImages(int select);
    void ShowSize();

    PublishDialogRequest request_;
    Settings& settings_;
    LastState& lastState_;
    PublishSession& session_;
    std::string historyPath_;
    std::vector<std::string> history_;
    ServerChoice servers_;
    QComboBox* to_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QComboBox* server_ = nullptr;
    QCheckBox* include_ = nullptr;
    QCheckBox* keepNames_ = nullptr;
    QListWidget* images_ = nullptr;
    QLabel* info_ = nullptr;
};

// The dialogs a job asks for, over the main window.
class QtPublishDialogs : public PublishDialogs {
  public:
    QtPublishDialogs(Settings& settings, LastState& lastState, PublishSession& session,
                     QWidget* parent)
        : settings_(settings), lastState_(lastState), session_(session), parent_(parent) {}
    bool Run(const PublishDialogRequest& request) override;

  private:
    Settings& settings_;
    LastState& lastState_;
    PublishSession& session_;
    QWidget* parent_;
};

}  // namespace mora
