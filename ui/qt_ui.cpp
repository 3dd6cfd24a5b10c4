#include "ui/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
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

bool IsPointerEvent(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

bool IsKeyEvent(QEvent::Type type) {
    return type == QEvent::KeyPress || type == QEvent::KeyRelease ||
           type == QEvent::ShortcutOverride || type == QEvent::Shortcut;
}

bool Inside(QObject* watched, QWidget* area) {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && area && (widget == area || area->isAncestorOf(widget));
}

// While a job runs on the GUI thread, only its progress screen and the dialogs it opens take
// input: a menu, a shortcut or a key must not start other work under it. When the job ends,
// the pointer input that piled up is dropped, all but the releases that end a press.
class JobInputFilter : public QObject {
  public:
    explicit JobInputFilter(QWidget* progress) : progress_(progress) {}
    void DropPiledUp() { ending_ = true; }
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (!IsPointerEvent(type) && !IsKeyEvent(type)) return false;
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            if (Inside(watched, dialog)) return false;
        }
        if (ending_) return type != QEvent::MouseButtonRelease;
        return IsKeyEvent(type) || !Inside(watched, progress_);
    }

  private:
    QPointer<QWidget> progress_;
    bool ending_ = false;
};

}  // namespace

QtUi::QtUi() = default;

QtUi::~QtUi() {
    view_ = nullptr;  // the window may be gone already
    ProgressEnd();
}

void QtUi::SetProgressView(ProgressView* view) {
    if (view != view_) ProgressEnd();
    view_ = view;
}

void QtUi::ProgressStart(const std::string& caption, uint32_t range) {
    if (!view_) return;
    if (!inputFilter_) {
        inputFilter_ = std::make_unique<JobInputFilter>(view_->ProgressWidget());
        qApp->installEventFilter(inputFilter_.get());
    }
    view_->ShowProgress(caption, range);
}

void QtUi::ProgressStep(uint32_t steps) {
    if (view_ && inputFilter_) view_->StepProgress(steps);
}

bool QtUi::ProgressCancelled() {
    return view_ && inputFilter_ && view_->ProgressCancelled();
}

void QtUi::ProgressEnd() {
    if (!inputFilter_) return;
    static_cast<JobInputFilter*>(inputFilter_.get())->DropPiledUp();
    QCoreApplication::processEvents();
    qApp->removeEventFilter(inputFilter_.get());
    inputFilter_.reset();
    if (view_) view_->EndProgress();
}

}  // namespace mora
