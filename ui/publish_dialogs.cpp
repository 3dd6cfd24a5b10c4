#include "ui/publish_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/program_dir.h"
#include "platform/trace.h"
#include "platform/ui_services.h"

namespace mora {
namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QPushButton* Button(const QString& text, const char* id, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(id));
    b->setAutoDefault(false);
    return b;
}
}  // namespace

PublishDialog::PublishDialog(const PublishDialogRequest& request, Settings& settings,
                             LastState& lastState, PublishSession& session, std::string historyPath,
                             QWidget* parent)
    : QDialog(parent),
      request_(request),
      settings_(settings),
      lastState_(lastState),
      session_(session),
      historyPath_(std::move(historyPath)) {
    setWindowTitle(request.email ? QStringLiteral("Publish by e-mail")
                                 : QStringLiteral("Publish by FTP"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    if (request.email) {
        history_ = ReadEmailHistory(historyPath_);
        to_ = new QComboBox(this);
        to_->setObjectName(QStringLiteral("1019"));
        to_->setEditable(true);
        for (const std::string& line : history_) to_->addItem(Q(line));
        to_->setCurrentIndex(0);
        form->addRow(QStringLiteral("To:"), to_);
        subject_ = new QLineEdit(Q(session.mail.subject), this);
        subject_->setObjectName(QStringLiteral("1022"));
        form->addRow(QStringLiteral("Subject:"), subject_);
        if (!request.outbox) {
            servers_ = SmtpServerChoice(settings);
            server_ = new QComboBox(this);
            server_->setObjectName(QStringLiteral("1020"));
            for (const std::string& name : servers_.names) server_->addItem(Q(name));
            if (servers_.names.empty()) server_->addItem(QStringLiteral("Empty"));
            server_->setCurrentIndex(std::max(0, servers_.selected));
            form->addRow(QStringLiteral("Server:"), server_);
        }
    } else if (request.serverChoice) {
        servers_ = FtpServerChoice(settings);
        server_ = new QComboBox(this);
        server_->setObjectName(QStringLiteral("1030"));
        for (const std::string& name : servers_.names) server_->addItem(Q(name));
        server_->setCurrentIndex(std::max(0, servers_.selected));
        form->addRow(QStringLiteral("Server:"), server_);
    }
    if (request.withImages) {
        auto* row = new QHBoxLayout;
        include_ = new QCheckBox(QStringLiteral("Include images"), this);
        include_->setObjectName(QStringLiteral("1027"));
        include_->setChecked(session.includeImages);
        row->addWidget(include_);
        if (request.imagesOnly) {
            keepNames_ = new QCheckBox(QStringLiteral("Keep names"), this);
            keepNames_->setObjectName(QStringLiteral("1037"));
            keepNames_->setChecked(lastState.KeepNames != 0);
            row->addWidget(keepNames_);
        }
        row->addStretch();
        layout->addLayout(row);
        images_ = new QListWidget(this);
        images_->setObjectName(QStringLiteral("1035"));
        images_->setMinimumHeight(90);
        layout->addWidget(images_);
        auto* buttons = new QHBoxLayout;
        QPushButton* add = Button(QStringLiteral("Add"), "1026", this);
        QPushButton* remove =
            Button(request.email ? QStringLiteral("Remove") : QStringLiteral("Remove Selected"),
                   "remove", this);
        QPushButton* clear = Button(QStringLiteral("Clear List"), "clearList", this);
        buttons->addWidget(add);
        buttons->addWidget(remove);
        buttons->addWidget(clear);
        buttons->addStretch();
        layout->addLayout(buttons);
        connect(add, &QPushButton::clicked, this, [this] { AddImage(); });
        connect(remove, &QPushButton::clicked, this, [this] { RemoveImage(); });
        connect(clear, &QPushButton::clicked, this, [this] { ClearImages(); });
        connect(include_, &QCheckBox::toggled, this, [this](bool on) {
            session_.includeImages = on;
            ShowSize();
        });
        FillImages(session.images.Empty() ? -1 : 0);
    }
    if (request.email) {
        info_ = new QLabel(this);
        info_->setObjectName(QStringLiteral("1021"));
        layout->addWidget(info_);
        ShowSize();
    }
    auto* end = new QHBoxLayout;
    end->addStretch();
    QPushButton* start = Button(QStringLiteral("Start"), "1", this);
    start->setDefault(true);
    QPushButton* cancel = Button(QStringLiteral("Cancel"), "2", this);
    end->addWidget(start);
    end->addWidget(cancel);
    layout->addLayout(end);
    connect(start, &QPushButton::clicked, this, [this] { Start(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(360);
}

void PublishDialog::FillImages(int select) {
    images_->clear();
    for (const ImageEntry& e : session_.images.Entries()) images_->addItem(Q(e.displayName));
    if (select >= 0 && select < images_->count()) images_->setCurrentRow(select);
}

void PublishDialog::ShowSize() {
    if (info_) info_->setText(Q(EmailSizeText(request_.audioBytes, session_)));
}

void PublishDialog::AddImage() {
    FileDialogRequest ask;
    ask.title = "Choose image or video";
    ask.filters = {{"Images and videos", "*.jpg *.jpeg *.png *.gif *.bmp *.avi *.mp4 *.3gp"},
                   {"All files", "*"}};
    ask.startFolder = lastState_.LastImageFolder;
    ask.mustExist = true;
    const auto path = Ui().OpenFileDialog(ask);
    if (!path) return;
    Trace("IDC_IMAGECHOOSE,IFilename=%s", path->c_str());
    if (session_.images.AddFile(*path)) {
        session_.includeImages = true;
        if (include_) include_->setChecked(true);
    }
    lastState_.LastImageFolder = FolderOf(*path);
    FillImages(images_->currentRow() < 0 ? 0 : images_->currentRow());
    ShowSize();
}

void PublishDialog::RemoveImage() {
    FillImages(session_.images.RemoveAt(images_->currentRow()));
    ShowSize();
}

void PublishDialog::ClearImages() {
    session_.images.Clear();
    FillImages(-1);
    ShowSize();
}

void PublishDialog::Start() {
    const bool keepNames = keepNames_ ? keepNames_->isChecked() : lastState_.KeepNames != 0;
    const int index = server_ ? server_->currentIndex() : -1;
    const int profile = index >= 0 && static_cast<size_t>(index) < servers_.profiles.size()
                            ? servers_.profiles[static_cast<size_t>(index)]
                            : -1;
    if (!request_.email) {
        AcceptFtpDialog(profile, keepNames, settings_, lastState_);
        accept();
        return;
    }
    const std::string error =
        AcceptEmailDialog(to_->currentText().toStdString(), subject_->text().toStdString(), profile,
                          keepNames, history_, historyPath_, settings_, lastState_, session_);
    if (!error.empty()) {
        Ui().MessageBox("error", error, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    accept();
}

bool QtPublishDialogs::Run(const PublishDialogRequest& request) {
    PublishDialog dialog(request, settings_, lastState_, session_, ProgramFile(kEmailHistoryFile),
                         parent_);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace mora
