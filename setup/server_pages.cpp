// The "FTP" and "Email" pages: a server, its account and the profile it belongs to, and the
// connection tests.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "net/ftp_check.h"
#include "net/smtp_check.h"
#include "platform/program_dir.h"
#include "platform/ui_services.h"
#include "setup/pages.h"

namespace mora {
namespace {

// Profile names as listed: from the first profile without a name on, every entry reads "Empty"
// followed by its position.
template <typename Profiles>
QStringList ListedNames(const Profiles& profiles) {
    QStringList names;
    bool unnamed = false;
    for (size_t i = 0; i < profiles.size(); ++i) {
        unnamed = unnamed || profiles[i].Name.empty();
        names << (unnamed ? QString("Empty%1").arg(i) : Q(profiles[i].Name));
    }
    return names;
}

// The status line under a test button: what the test is doing, and what it found.
QLabel* StatusLine(QWidget* parent, const char* name) {
    auto* status = new QLabel(parent);
    status->setObjectName(name);
    status->setWordWrap(true);
    status->setFrameShape(QFrame::StyledPanel);
    status->setMinimumHeight(status->fontMetrics().lineSpacing() * 3 + 8);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return status;
}

void ShowStatus(QLabel* status, std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
    status->setText(Q(text));
    status->repaint();  // the tests block the loop; the reporter still sees each step
}

class FtpPage : public SetupPage {
  public:
    FtpPage(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        allow_ = Check(1100, "Allow profile selection in Mora:");
        profile_ = Combo(1098, true);
        profile_->setInsertPolicy(QComboBox::NoInsert);
        server_ = Edit(1001);
        user_ = Edit(1051);
        password_ = Edit(1005);
        password_->setEchoMode(QLineEdit::Password);
        dir_ = Edit(1008);
        passive_ = Check(1006, "Passive");
        resume_ = Check(1107, "Resume transfer silently");
        auto* test = Button(3, "Test");
        status_ = StatusLine(this, "FtpStatus");

        auto* form = new QFormLayout;
        form->addRow("Profile", profile_);
        form->addRow("FTP Server", server_);
        form->addRow("User", user_);
        form->addRow("Password", password_);
        form->addRow("Dest. Dir.", dir_);
        auto* checks = new QHBoxLayout;
        checks->addWidget(passive_);
        checks->addWidget(resume_);
        checks->addStretch(1);
        checks->addWidget(test);
        auto* column = new QVBoxLayout(this);
        column->addWidget(allow_);
        column->addLayout(form);
        column->addLayout(checks);
        column->addWidget(status_);
        column->addStretch(1);

        for (QLineEdit* edit : {server_, user_, password_, dir_})
            connect(edit, &QLineEdit::textEdited, this, [this] { dirty_ = true; });
        connect(passive_, &QCheckBox::clicked, this, [this] { dirty_ = true; });
        connect(profile_, &QComboBox::activated, this, [this](int i) { SwitchProfile(i); });
        connect(test, &QPushButton::clicked, this, [this] { RunTest(); });
    }

    void Fill() override {
        SetChecked(allow_, settings_.AllowFtpProfileSelection);
        const QSignalBlocker block(profile_);
        profile_->clear();
        profile_->addItems(ListedNames(settings_.FtpProfiles));
        index_ = settings_.FtpProfileName.empty()
                     ? -1
                     : profile_->findText(Q(settings_.FtpProfileName), Qt::MatchExactly);
        profile_->setCurrentIndex(index_);
        if (index_ < 0) profile_->setEditText(Q(settings_.FtpProfileName));
        server_->setText(Q(settings_.FtpServer));
        user_->setText(Q(settings_.FtpUser));
        password_->setText(Q(settings_.FtpPassword));
        dir_->setText(Q(settings_.FtpDestDir));
        SetChecked(passive_, settings_.FtpPassive);
        SetChecked(resume_, settings_.ResumeSilently);
        dirty_ = false;
    }

    void Store() override {
        settings_.AllowFtpProfileSelection = IsChecked(allow_);
        settings_.ResumeSilently = IsChecked(resume_);
        settings_.FtpServer = S(server_->text());
        settings_.FtpUser = S(user_->text());
        settings_.FtpPassword = S(password_->text());
        settings_.FtpDestDir = S(dir_->text());
        settings_.FtpPassive = IsChecked(passive_);
        // A typed name renames the selected profile.
        const QString typed = profile_->currentText();
        if (index_ >= 0 && typed != profile_->itemText(index_) && !typed.isEmpty()) {
            settings_.FtpProfiles[index_].Name = S(typed);
            profile_->setItemText(index_, typed);
            settings_.FtpProfileName = S(typed);
        } else if (index_ < 0 && !typed.isEmpty()) {
            settings_.FtpProfileName = S(typed);
        }
        if (index_ < 0 || !dirty_) return;
        FtpProfile& p = settings_.FtpProfiles[index_];
        p.Server = settings_.FtpServer;
        p.User = settings_.FtpUser;
        p.Password = settings_.FtpPassword;
        p.DestDir = settings_.FtpDestDir;
        p.Passive = settings_.FtpPassive;
    }

  private:
    // The edits go into the profile selected until now; the chosen one becomes current.
    void SwitchProfile(int index) {
        if (index == index_ || index < 0) return;
        Store();
        FtpProfile& p = settings_.FtpProfiles[index];
        if (p.Name.empty()) p.Name = S(profile_->itemText(index));
        settings_.FtpProfileName = p.Name;
        settings_.FtpServer = p.Server;
        settings_.FtpUser = p.User;
        settings_.FtpPassword = p.Password;
        settings_.FtpDestDir = p.DestDir;
        settings_.FtpPassive = p.Passive;
        Fill();
    }

    void RunTest() {
        Store();
        settings_.FtpTestStarted = 1;
        settings_.FtpTestPassed = 0;
        BusyCursor busy;
        FtpTestFailure failure;
        std::string last;
        const bool passed = FtpTest(
            settings_, state_.internet, ++state_.ftpTestRuns,
            [this, &last](const std::string& text) {
                last = text;
                ShowStatus(status_, text);
            },
            &failure);
        if (!passed) ShowStatus(status_, last + "\n" + ExplainFtpTestFailure(failure));
    }

    QCheckBox *allow_, *passive_, *resume_;
    QComboBox* profile_;
    QLineEdit *server_, *user_, *password_, *dir_;
    QLabel* status_;
    int index_ = -1;
    bool dirty_ = false;
};

class EmailPage : public SetupPage {
  public:
    EmailPage(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        profile_ = Combo(1045);
        server_ = Edit(1038);
        user_ = Edit(1041);
        password_ = Edit(1042);
        password_->setEchoMode(QLineEdit::Password);
        auth_ = Check(1043, "Server needs\nauthentication:");
        auth_->setLayoutDirection(Qt::RightToLeft);  // the box after its text, as labelled
        auto* test = Button(1039, "Test");
        status_ = StatusLine(this, "SmtpStatus");
        outbox_ = Combo(1028, true);
        outbox_->setInsertPolicy(QComboBox::NoInsert);

        auto* form = new QFormLayout;
        form->addRow("Profile", profile_);
        form->addRow("SMTP Server", server_);
        form->addRow("User", user_);
        form->addRow("Password", password_);
        auto* testRow = new QHBoxLayout;
        testRow->addWidget(auth_);
        testRow->addStretch(1);
        testRow->addWidget(test);
        auto* outboxRow = new QHBoxLayout;
        outboxRow->addWidget(new QLabel("Account for\nemail via outbox:", this));
        outboxRow->addWidget(outbox_, 1);
        auto* column = new QVBoxLayout(this);
        column->addLayout(form);
        column->addLayout(testRow);
        column->addWidget(status_);
        column->addSpacing(8);
        column->addLayout(outboxRow);
        column->addStretch(1);

        for (QLineEdit* edit : {server_, user_, password_})
            connect(edit, &QLineEdit::textEdited, this, [this] { dirty_ = true; });
        connect(auth_, &QCheckBox::clicked, this, [this] { dirty_ = true; });
        connect(profile_, &QComboBox::activated, this, [this](int i) { SwitchProfile(i); });
        connect(test, &QPushButton::clicked, this, [this] { RunTest(); });
    }

    void Fill() override {
        {
            const QSignalBlocker block(profile_);
            profile_->clear();
            profile_->addItems(ListedNames(settings_.SmtpProfiles));
            index_ = settings_.SmtpProfileName.empty()
                         ? -1
                         : profile_->findText(Q(settings_.SmtpProfileName), Qt::MatchExactly);
            profile_->setCurrentIndex(index_);
        }
        server_->setText(Q(settings_.SMTPServer));
        user_->setText(Q(settings_.SMTPUser));
        password_->setText(Q(settings_.SMTPPassword));
        SetChecked(auth_, settings_.SmtpAuth);
        // The accounts are the folders of the outbox in the program folder, and the current one.
        QStringList accounts =
            QDir(Q(ProgramFile("Outbox"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (!accounts.contains(Q(settings_.OutboxAccount)))
            accounts.prepend(Q(settings_.OutboxAccount));
        outbox_->clear();
        outbox_->addItems(accounts);
        outbox_->setCurrentText(Q(settings_.OutboxAccount));
        dirty_ = false;
    }

    void Store() override {
        settings_.SMTPServer = S(server_->text());
        settings_.SMTPUser = S(user_->text());
        settings_.SMTPPassword = S(password_->text());
        settings_.SmtpAuth = IsChecked(auth_);
        settings_.OutboxAccount = S(outbox_->currentText().trimmed());
        if (index_ < 0 || !dirty_) return;
        SmtpProfile& p = settings_.SmtpProfiles[index_];
        p.Server = settings_.SMTPServer;
        p.User = settings_.SMTPUser;
        p.Password = settings_.SMTPPassword;
        p.Auth = settings_.SmtpAuth;
    }

  private:
    void SwitchProfile(int index) {
        if (index == index_ || index < 0) return;
        Store();
        SmtpProfile& p = settings_.SmtpProfiles[index];
        if (p.Name.empty()) p.Name = S(profile_->itemText(index));
        settings_.SmtpProfileName = p.Name;
        settings_.SMTPServer = p.Server;
        settings_.SMTPUser = p.User;
        settings_.SMTPPassword = p.Password;
        settings_.SmtpAuth = p.Auth;
        Fill();
    }

    void RunTest() {
        Store();
        ShowStatus(status_, "Connecting...");
        int result;
        {
            BusyCursor busy;
            result = RunSmtpLogin(settings_, IsChecked(auth_));
        }
        ShowStatus(status_, result == 0 ? SmtpTestText(0) : ExplainSmtpTestResult(result));
        Ui().MessageBox("Info", SmtpTestText(result), MsgIcon::Information, MsgButtons::Ok);
    }

    QComboBox *profile_, *outbox_;
    QLineEdit *server_, *user_, *password_;
    QCheckBox* auth_;
    QLabel* status_;
    int index_ = -1;
    bool dirty_ = false;
};

}  // namespace

std::unique_ptr<SetupPage> MakeFtpPage(SetupState& state, QWidget* parent) {
    return std::make_unique<FtpPage>(state, parent);
}
std::unique_ptr<SetupPage> MakeEmailPage(SetupState& state, QWidget* parent) {
    return std::make_unique<EmailPage>(state, parent);
}

}  // namespace mora
