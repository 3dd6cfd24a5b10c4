#include "app/input_options.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/startup.h"
#include "ui/about_screen.h"

namespace mora {

InputOptionsDialog::InputOptionsDialog(const Settings& settings, QWidget* parent)
    : QDialog(parent) {
    setObjectName("148");
    setWindowTitle("Input options");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Select input EQ profile:", this));
    combo_ = new QComboBox(this);
    combo_->setObjectName("1031");
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& entry : InputOptionEntries(settings)) {
        combo_->addItem(QString::fromStdString(entry));
    }
    const QString current = QString::fromStdString(settings.EqProfileName);
    combo_->setCurrentIndex(combo_->findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive));
    combo_->setEditText(current);
    layout->addWidget(combo_);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton("Ok", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::string InputOptionsDialog::EditText() const {
    return combo_->currentText().toStdString();
}

void MainWindow::ShowInputOptions() {
    InputOptionsDialog dialog(state_.settings, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (ChooseInputOption(state_.settings, dialog.EditText())) {
        ComputeAllSections(state_.inputDsp, state_.settings, state_.lastState.RecordGain);
    }
    if (state_.currentScreen == kAboutScreen) AboutScreen()->RefreshAbout();
}

}  // namespace mora
