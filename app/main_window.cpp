#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>

#include "app/accelerators.h"
#include "app/engine_transport.h"
#include "app/menus.h"
#include "app/standin_transport.h"
#include "platform/program_dir.h"
#include "platform/system_facts.h"
#include "project/editing.h"
#include "project/project_store.h"
#include "ui/about_screen.h"
#include "ui/artwork.h"
#include "ui/clip_editor_screen.h"
#include "ui/editor_screen.h"
#include "ui/progress_screen.h"
#include "ui/record_screen.h"

namespace mora {

// The client area below the menu: the current screen paints here and gets keys and the mouse;
// the text editor lies over it.
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
        // Outside the letter-boxed screen the face's darkest shade fills the window.
        painter.fillRect(rect(), QColor(0x11, 0x14, 0x17));
        if (WWin* screen = Current()) screen->Paint(painter);
    }
    void resizeEvent(QResizeEvent*) override {
        if (window_.textEdit_ && !window_.isMinimized()) window_.textEdit_->setGeometry(rect());
    }
    void keyPressEvent(QKeyEvent* event) override {
        // Keys with Ctrl or Alt are the menus' shortcuts, not the screens' keys.
        const int key = ScreenKeyFromQt(event->key());
        WWin* screen = Current();
        if (!screen || key == 0 || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            QWidget::keyPressEvent(event);
            return;
        }
        screen->KeyDown(key);
    }
    void mousePressEvent(QMouseEvent* event) override {
        WWin* screen = Current();
        if (!screen) return;
        const QPoint at = event->position().toPoint();
        if (event->button() == Qt::RightButton) screen->RightDown(at.x(), at.y());
        if (event->button() == Qt::LeftButton)
            OnLeftDown(window_.pointer_, *screen, at.x(), at.y());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        OnMouseMove(window_.pointer_, at.x(), at.y());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (event->button() == Qt::LeftButton) OnLeftUp(window_.pointer_, at.x(), at.y());
        WWin* screen = Current();
        if (screen && event->button() == Qt::RightButton) screen->RightUp(at.x(), at.y());
    }

  private:
    WWin* Current() const { return window_.Screen(window_.state_.currentScreen); }

    MainWindow& window_;
};

namespace {

AboutEnv MakeAboutEnv(AppState& state) {
    AboutEnv env;
    env.settings = &state.settings;
    env.projectName = [&state] { return state.project.name; };
    // An empty folder is the program folder.
    env.projectFolder = [&state] {
        return state.project.folder.empty() ? ProgramDir() : state.project.folder;
    };
    env.projectMp2 = [&state] { return state.project.mp2; };
    env.battery = [] { return BatteryPercent(); };
    env.freeBytes = [](const std::string& folder) { return FreeDiskBytes(folder); };
    env.processorLoad = [&state] {
        return state.engine.engine ? state.engine.engine->LoadShare() : 0.0;
    };
    env.recordingRate = [&state] {
        return state.transport ? state.transport->RecordingRate() : 44100u;
    };
    return env;
}

}  // namespace

MainWindow::MainWindow(AppState& state, EventLoop& loop) : state_(state), loop_(loop) {
    setWindowTitle("Mora Edit");
    setObjectName("MoraEdit");
    area_ = new ScreenArea(*this);
    setCentralWidget(area_);

    // The project's operations tell the screens through these; Destroy takes them back.
    ProjectHooks& hooks = state_.project.hooks;
    hooks.refreshScreens = [this] { area_->update(); };
    hooks.refreshButtons = [this] { area_->update(); };
    hooks.waveformView = [this] { return state_.currentScreen == kEditorScreen; };
    hooks.listChanged = [this] {
        if (ClipEditorWWin* clips = ClipEditor()) clips->FillClipList();
    };
    hooks.totalChanged = [this] {
        if (ClipEditorWWin* clips = ClipEditor()) clips->FillClipList();
        area_->update();
    };

    BuildMainMenu(*menuBar(), state_.settings.LiteLayout != 0);
    connect(menuBar(), &QMenuBar::triggered, this, [this](QAction* action) {
        if (action->isSeparator() || !action->data().isValid()) return;
        // The shortcut of an item in a grayed popup does nothing, as the item would.
        const auto* popup = qobject_cast<QMenu*>(action->parent());
        if (popup && !popup->menuAction()->isEnabled()) return;
        Command(action->data().toInt());
    });
    if (QMenu* edit = FindPopup(*menuBar(), kEditPopup)) {
        connect(edit, &QMenu::aboutToShow, this, [this] { PrepareEditPopup(); });
    }

    LoadSkin();
    if (state_.interfaceFound) {
        loop_.StartTimer(kScreenTimer, 20, [this] {
            if (WWin* screen = Screen(state_.currentScreen)) screen->TimerTick();
        });
        timerStarted_ = true;
    }
    BuildPublishMenu(*menuBar(), state_.settings);
    AddAccelerators();
    CreateScreens();
    SwitchScreen(kRecordScreen);
}

void MainWindow::LoadSkin() {
    SkinOptions options;
    options.screenMode = state_.settings.ScreenMode;
    options.gainKnob = state_.settings.DigitalMicGainControl != 0;
    options.interfaceKnobs = state_.interfaceFound;
    options.devicePixelRatio = devicePixelRatioF();
    skin_ = std::make_unique<Skin>(state_.clientSize.width, state_.clientSize.height, ProgramDir(),
                                   options);
}

void MainWindow::CreateScreens() {
    if (!state_.transport) {
        // Without an engine (a window made on its own) the buttons only change state.
        if (state_.engine.engine) {
            state_.transport = std::make_unique<EngineTransport>(state_, *state_.engine.engine);
        } else {
            state_.transport = std::make_unique<StandInTransport>(state_);
        }
    }
    RecorderEnv env;
    env.settings = &state_.settings;
    env.projectName = [this] { return state_.project.name; };
    env.projectFolder = [this] { return state_.project.folder; };
    env.battery = [] { return BatteryPercent(); };
    env.freeBytes = [](const std::string& folder) { return FreeDiskBytes(folder); };
    RecorderEnv editorEnv = env;
    screens_[kRecordScreen] =
        std::make_unique<RecordWWin>(*this, *skin_, state_.screenBitmaps.first,
                                     state_.transportState, *state_.transport, std::move(env));
    ClipEditorEnv clipEnv{&state_.settings, &state_.project, area_};
    screens_[kClipEditorScreen] = std::make_unique<ClipEditorWWin>(
        *this, *skin_, state_.transportState, *state_.transport, clipEnv);
    auto editor = std::make_unique<EditorWWin>(
        *this, *skin_, state_.transportState, *state_.transport, std::move(editorEnv),
        state_.project, [this] { return state_.publishing; });
    // Edits, a new recording and the totals reach the editor's view, scroll bar and texts.
    EditorWWin* shown = editor.get();
    ProjectHooks& hooks = state_.project.hooks;
    for (auto* hook : {&hooks.refreshScreens, &hooks.refreshButtons, &hooks.totalChanged}) {
        *hook = [shown, then = *hook] {
            shown->Refresh();
            if (then) then();
        };
    }
    screens_[kEditorScreen] = std::move(editor);
    screens_[kAboutScreen] = std::make_unique<AboutWWin>(*this, *skin_, MakeAboutEnv(state_));
    screens_[kProgressScreen] = std::make_unique<ProgressWWin>(*this, *skin_);
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

RecordWWin* MainWindow::RecordScreen() const {
    return static_cast<RecordWWin*>(screens_[kRecordScreen].get());
}

ClipEditorWWin* MainWindow::ClipEditor() const {
    return dynamic_cast<ClipEditorWWin*>(screens_[kClipEditorScreen].get());
}

AboutWWin* MainWindow::AboutScreen() const {
    return static_cast<AboutWWin*>(screens_[kAboutScreen].get());
}

ProgressWWin* MainWindow::ProgressScreen() const {
    return static_cast<ProgressWWin*>(screens_[kProgressScreen].get());
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

void MainWindow::InvalidateRect(const QRect& rect) {
    area_->update(rect);
}

void MainWindow::UpdateScreen() {
    area_->repaint();
}

void MainWindow::EnableTopMenus(bool enabled) {
    for (QAction* popup : menuBar()->actions()) popup->setEnabled(enabled);
}

void MainWindow::EnableEditPopup(bool enabled) {
    if (QMenu* edit = FindPopup(*menuBar(), kEditPopup)) edit->menuAction()->setEnabled(enabled);
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
    if (state_.currentScreen == kClipEditorScreen) {
        if (ClipEditorWWin* clips = ClipEditor()) clips->EndEditing();
    }
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
        SaveProject(state_.project);
    } else if (text.empty() && !project.text.empty()) {
        project.text.clear();
        SaveProject(state_.project);
    }
    delete textEdit_;
    textEdit_ = nullptr;
    EnableItem(cmd::PublishClip, true);
    ClipEditorWWin* clips = state_.currentScreen == kClipEditorScreen ? ClipEditor() : nullptr;
    if (clips) {
        clips->RefreshMenuState();
    } else {
        EnableItem(cmd::PublishClipList, false);
    }
    CheckMenuItem(cmd::EditText, false);
    if (clips && clips->ListView()) {
        clips->ListView()->setFocus();
    } else {
        area_->setFocus();
    }
}

void MainWindow::PrepareEditPopup() {
    QAction* mark = Item(cmd::Mark);
    if (!mark) return;
    const bool onMarker =
        playPositionOnMarker ? playPositionOnMarker() : CursorOnMarker(state_.project);
    mark->setText(onMarker ? "Delete marker" : "Mark");
}

void MainWindow::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    state_.project.hooks = {};
    if (timerStarted_) loop_.StopTimer(kScreenTimer);
    state_.quitting = true;
    if (RecordWWin* record = RecordScreen();
        record && state_.transportState != TransportState::Stopped) {
        record->OnStop(true);
    }
    if (textEdit_) CloseTextEditor();
    ForgetPressed(pointer_);
    if (WWin* current = Screen(state_.currentScreen)) current->Deactivate();
    for (auto& screen : screens_) screen.reset();
    skin_.reset();
    if (postQuit) postQuit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (progressShown_) {
        // The job runs below this call: it is cancelled, and the window closes when it ends.
        event->ignore();
        closePending_ = true;
        if (ProgressWWin* progress = ProgressScreen()) progress->Cancel();
        return;
    }
    event->accept();
    Destroy();
}

void MainWindow::ShowProgress(const std::string& title, uint32_t total) {
    ProgressWWin* progress = ProgressScreen();
    if (destroyed_ || !progress) return;
    if (!progressShown_) {
        progressShown_ = true;
        screenUnderEditor_ = state_.currentScreen;
        EnableTopMenus(false);
        SwitchScreen(kProgressScreen);
    }
    progress->ProgressStart(total, title);
    if (closePending_) progress->Cancel();
}

void MainWindow::StepProgress(uint32_t steps) {
    if (ProgressWWin* progress = ProgressScreen(); progress && progressShown_) {
        progress->ProgressStep(steps);
    }
}

bool MainWindow::ProgressCancelled() {
    ProgressWWin* progress = ProgressScreen();
    return !progress || !progressShown_ || progress->ProgressCancelled();
}

void MainWindow::EndProgress() {
    if (!progressShown_) return;
    progressShown_ = false;
    if (destroyed_) return;
    EnableTopMenus(true);
    // A job started over the text editor gets the editor back over the screen beneath it.
    if (state_.previousScreen == kTextEditorScreen) {
        SwitchScreen(screenUnderEditor_);
        OpenTextEditor();
    } else {
        SwitchScreen(Screen(state_.previousScreen) ? state_.previousScreen : kRecordScreen);
    }
    if (closePending_) {
        closePending_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

QWidget* MainWindow::ProgressWidget() {
    return area_;
}

}  // namespace mora
