#include "ui/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QStringList>

namespace mora {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Error:
            return QMessageBox::Critical;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QMessageBox::Ok;
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MsgButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The answer a box gives when it is closed without a button (Escape, window close).
MsgAnswer DismissAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
            return MsgAnswer::No;
        default:
            return MsgAnswer::Cancel;
    }
}

void ApplyRequest(QFileDialog& dialog, const FileDialogRequest& request) {
    QStringList filters;
    for (const auto& [description, patterns] : request.filters) {
        filters << Q(QtNameFilter(description, patterns));
    }
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(Q(request.defaultExtension));
    if (!request.startFolder.empty()) dialog.setDirectory(Q(request.startFolder));
    if (!request.proposedName.empty()) dialog.selectFile(Q(request.proposedName));
    if (!request.title.empty()) dialog.setWindowTitle(Q(request.title));
}

std::optional<std::string> RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.first().toStdString();
}

}  // namespace

std::string QtNameFilter(const std::string& description, const std::string& patterns) {
    if (description.find('(') != std::string::npos || patterns.empty()) return description;
    std::string spaced = patterns;
    for (char& c : spaced) {
        if (c == ';') c = ' ';
    }
    return description + " (" + spaced + ")";
}

MsgAnswer QtUi::MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                           MsgButtons buttons) {
    QMessageBox box(ToQtIcon(icon), Q(title), Q(text), ToQtButtons(buttons),
                    QApplication::activeWindow());
    // Texts may come from a server: shown as they are, never read as markup (links, images).
    box.setTextFormat(Qt::PlainText);
    // A busy cursor must not hide that the program waits for an answer.
    const bool busy = busyDepth_ > 0;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    switch (result) {
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Retry:
            return MsgAnswer::Retry;
        default:
            return DismissAnswer(buttons);
    }
}

std::optional<std::string> QtUi::OpenFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    ApplyRequest(dialog, request);
    return RunFileDialog(dialog);
}

std::optional<std::string> QtUi::SaveFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    ApplyRequest(dialog, request);
    return RunFileDialog(dialog);
}

std::optional<std::string> QtUi::TextPrompt(const std::string& title, const std::string& label,
                                            const std::string& initial) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), Q(title), Q(label),
                                               QLineEdit::Normal, Q(initial), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

void QtUi::SetBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

namespace {
// Drops pointer input for every window but the progress dialog while a job runs.
class PointerFilter : public QObject {
  public:
    explicit PointerFilter(QWidget* allowed) : allowed_(allowed) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel: {
                auto* widget = qobject_cast<QWidget*>(watched);
                return !(widget && allowed_ &&
                         (widget == allowed_ || allowed_->isAncestorOf(widget)));
            }
            default:
                return false;
        }
    }

  private:
    QWidget* allowed_;
};
}  // namespace

QtUi::QtUi() = default;

QtUi::~QtUi() {
    ProgressEnd();
}

void QtUi::ProgressStart(const std::string& caption, uint32_t range) {
    if (!progress_) {
        progress_ = std::make_unique<QProgressDialog>(QApplication::activeWindow());
        progress_->setWindowTitle(QStringLiteral("Mora"));
        progress_->setObjectName(QStringLiteral("progress"));
        progress_->setCancelButtonText(QStringLiteral("Cancel"));
        progress_->setMinimumDuration(0);
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setAutoReset(false);
        progress_->setAutoClose(false);
        QObject::connect(progress_.get(), &QProgressDialog::canceled,
                         [this] { cancelled_ = true; });
        pointerFilter_ = std::make_unique<PointerFilter>(progress_.get());
        qApp->installEventFilter(pointerFilter_.get());
    }
    cancelled_ = false;
    progress_->setLabelText(Q(caption).trimmed());
    progress_->setRange(0, static_cast<int>(std::min<uint32_t>(range, INT32_MAX)));
    progress_->setValue(0);
    progress_->show();
    QCoreApplication::processEvents();
}

void QtUi::ProgressStep(uint32_t steps) {
    if (!progress_) return;
    const int value = progress_->value() + static_cast<int>(steps);
    progress_->setValue(std::min(value, progress_->maximum()));
}

bool QtUi::ProgressCancelled() {
    QCoreApplication::processEvents();
    return cancelled_;
}

void QtUi::ProgressEnd() {
    if (pointerFilter_) {
        QCoreApplication::processEvents();  // what piled up is dropped by the filter
        qApp->removeEventFilter(pointerFilter_.get());
        pointerFilter_.reset();
    }
    progress_.reset();
    cancelled_ = false;
}

}  // namespace mora
