#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>

#include "app/menus.h"
#include "app/not_built.h"

namespace mora {

// The client area below the menu: the current screen paints here and gets keys and the right
// button; the text editor lies over it.
class ScreenArea : public QWidget {
  public:
    explicit ScreenArea(MainWindow& window) : QWidget(&window), window_(window) {
        setObjectName("screen");
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (WWin* screen = window_.Screen(window_.state_.currentScreen)) {
            screen->Paint(painter, rect());
        } else {
            painter.fillRect(rect(), Qt::black);
        }
    }
    void resizeEvent(QResizeEvent*) override {
        if (window_.textEdit_ && !window_.isMinimized()) window_.textEdit_->setGeometry(rect());
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (WWin* screen = window_.Screen(window_.state_.currentScreen)) {
            screen->KeyDown(event->key());
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        WWin* screen = window_.Screen(window_.state_.currentScreen);
        if (screen && event->button() == Qt::RightButton) {
            screen->RightDown(event->position().toPoint().x(), event->position().toPoint().y());
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        WWin* screen = window_.Screen(window_.state_.currentScreen);
        if (screen && event->button() == Qt::RightButton) {
            screen->RightUp(event->position().toPoint().x(), event->position().toPoint().y());
        }
    }

  private:
    MainWindow& window_;
};

MainWindow::MainWindow(AppState& state, EventLoop& loop) : state_(state), loop_(loop) {
    setWindowTitle("Mora Edit");
    setObjectName("MoraEdit");
    area_ = new ScreenArea(*this);
    setCentralWidget(area_);

    BuildMainMenu(*menuBar(), state_.settings.LiteLayout != 0);
    connect(menuBar(), &QMenuBar::triggered, this, [this](QAction* action) {
        if (!action->isSeparator() && action->data().isValid()) Command(action->data().toInt());
    });
    if (QMenu* edit = FindPopup(*menuBar(), kEditPopup)) {
        connect(edit, &QMenu::aboutToShow, this, [this] { PrepareEditPopup(); });
    }

    NotBuilt("skin");
    if (state_.interfaceFound) {
        loop_.StartTimer(kScreenTimer, 20, [this] {
            if (WWin* screen = Screen(state_.currentScreen)) screen->TimerTick();
        });
        timerStarted_ = true;
    }
    BuildPublishMenu(*menuBar(), state_.settings);
    for (int i = 0; i < kScreenCount; ++i) {
        if (i != kTextEditorScreen) screens_[i] = std::make_unique<PlaceholderWWin>(*this, i);
    }
    SwitchScreen(kRecordScreen);
}

MainWindow::~MainWindow() {
    Destroy();
}

void MainWindow::SetClientSize(ClientSize size) {
    area_->setMinimumSize(size.width, size.height);
    adjustSize();
    // The size is only the start; the user may resize the window afterwards.
    area_->setMinimumSize(0, 0);
}

QWidget* MainWindow::ScreenWidget() const {
    return area_;
}

QAction* MainWindow::Item(int id) const {
    return FindMenuItem(*menuBar(), id);
}

WWin* MainWindow::Screen(int index) const {
    return index >= 0 && index < kScreenCount ? screens_[index].get() : nullptr;
}

void MainWindow::CheckMenuItem(int id, bool checked) {
    if (QAction* item = Item(id)) item->setChecked(checked);
}

void MainWindow::EnableItem(int id, bool enabled) {
    if (QAction* item = Item(id)) item->setEnabled(enabled);
}

void MainWindow::InvalidateScreen() {
    area_->update();
}

void MainWindow::SwitchScreen(int index) {
    state_.previousScreen = state_.currentScreen;
    if (TextEditorOpen()) {
        CloseTextEditor();
        state_.previousScreen = kTextEditorScreen;
    }
    if (index != state_.currentScreen) {
        if (WWin* current = Screen(state_.currentScreen)) current->Deactivate();
        state_.currentScreen = index;
        if (WWin* next = Screen(index)) next->Activate();
    } else {
        CheckMenuItem(cmd::ScreenItem(index), true);
    }
}

void MainWindow::OpenTextEditor() {
    CheckMenuItem(cmd::ScreenItem(state_.currentScreen), false);
    CheckMenuItem(cmd::EditText, true);
    EnableItem(cmd::PublishClip, false);
    EnableItem(cmd::PublishClipList, true);
    if (state_.settings.EnableToFile) {
        EnableItem(cmd::ClipToFile, false);
        EnableItem(cmd::ClipListToFile, true);
    }
    if (state_.currentScreen == kClipEditorScreen) NotBuilt("ending the clip list's editing");
    textEdit_ = new QPlainTextEdit(area_);
    textEdit_->setObjectName(QString::number(cmd::TextEditControl));
    textEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    textEdit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textEdit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textEdit_->setFrameShape(QFrame::Box);
    textEdit_->setPlainText(QString::fromStdString(state_.project.text));
    textEdit_->setGeometry(area_->rect());
    textEdit_->show();
    textEdit_->setFocus();
}

void MainWindow::CloseTextEditor() {
    if (!textEdit_) return;
    const std::string text = textEdit_->toPlainText().toStdString();
    ProjectState& project = state_.project;
    if (!text.empty() && text != project.text) {
        project.text = text;
        state_.projectSlot.save(state_);
    } else if (text.empty() && !project.text.empty()) {
        project.text.clear();
        state_.projectSlot.save(state_);
    }
    delete textEdit_;
    textEdit_ = nullptr;
    EnableItem(cmd::PublishClip, true);
    if (state_.currentScreen == kClipEditorScreen) {
        NotBuilt("clip editor menu state");
    } else {
        EnableItem(cmd::PublishClipList, false);
    }
    CheckMenuItem(cmd::EditText, false);
    area_->setFocus();
}

void MainWindow::PrepareEditPopup() {
    QAction* mark = Item(cmd::Mark);
    if (!mark) return;
    const bool onMarker = playPositionOnMarker && playPositionOnMarker();
    mark->setText(onMarker ? "Delete marker" : "Mark");
}

void MainWindow::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (timerStarted_) loop_.StopTimer(kScreenTimer);
    state_.quitting = true;
    NotBuilt("stopping recording and playback");
    if (textEdit_) CloseTextEditor();
    for (auto& screen : screens_) screen.reset();
    NotBuilt("releasing the skin");
    if (postQuit) postQuit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    Destroy();
}

}  // namespace mora
