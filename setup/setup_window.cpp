#include "setup/setup_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/ui_services.h"

namespace mora {

std::vector<TabEntry> TabOrder(const SetupState& state) {
    std::vector<TabEntry> tabs = {{kNewProjectPage, "New Project"},
                                  {kFtpPage, "FTP"},
                                  {kEmailPage, "Email"},
                                  {kPublishPage, "Publish"},
                                  {kInputEqPage, "Input EQ"}};
    if (!state.interfaceName.empty()) {
        const bool pro = state.interfaceName.find("Pro") != std::string::npos;
        tabs.push_back({kTandemPage, pro ? "Tandem Pro" : "Tandem"});
    } else {
        tabs.push_back({kAudioPage, "Audio"});
    }
    tabs.push_back({kOptions1Page, "Options1"});
    tabs.push_back({kOptions2Page, "Options2"});
    return tabs;
}

std::unique_ptr<SetupPage> MakePage(PageType type, SetupState& state, QWidget* parent) {
    switch (type) {
        case kNewProjectPage:
            return MakeNewProjectPage(state, parent);
        case kFtpPage:
            return MakeFtpPage(state, parent);
        case kEmailPage:
            return MakeEmailPage(state, parent);
        case kPublishPage:
            return MakePublishPage(state, parent);
        case kInputEqPage:
            return MakeInputEqPage(state, parent);
        case kTandemPage:
            return MakeTandemPage(state, parent);
        case kAudioPage:
            return MakeAudioPage(state, parent);
        case kOptions1Page:
            return MakeOptions1Page(state, parent);
        case kOptions2Page:
            return MakeOptions2Page(state, parent);
    }
    return nullptr;
}

SetupWindow::SetupWindow(SetupState& state) : state_(state), entries_(TabOrder(state)) {
    setWindowTitle("Mora Edit Setup");
    auto* file = menuBar()->addMenu("File");
    file->addAction("Save and exit", this, [this] { SaveAndExit(); });
    file->addAction("Cancel", this, [this] { Cancel(); });
    auto* next = menuBar()->addAction("Next");
    connect(next, &QAction::triggered, this, [this] { Next(); });

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 6, 6, 6);
    tabs_ = new QTabWidget(central);
    tabs_->setDocumentMode(false);
    tabs_->tabBar()->setExpanding(false);
    tabs_->tabBar()->setUsesScrollButtons(true);
    // Eight tabs share 480 pixels: slim padding keeps every title in view.
    tabs_->setStyleSheet("QTabBar::tab { padding: 4px 5px; }");
    for (const TabEntry& entry : entries_) tabs_->addTab(new QWidget, entry.title);
    column->addWidget(tabs_, 1);
    auto* buttons = new QHBoxLayout;
    auto* nextButton = new QPushButton("Next", central);
    auto* cancel = new QPushButton("Cancel", central);
    auto* save = new QPushButton("Save and exit", central);
    save->setDefault(true);
    buttons->addWidget(nextButton);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    connect(nextButton, &QPushButton::clicked, this, [this] { Next(); });
    connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveAndExit(); });
    column->addLayout(buttons);
    setCentralWidget(central);
    resize(480, 400);

    OpenTab(0);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { OpenTab(index); });
}

SetupWindow::~SetupWindow() {
    if (page_) page_->StopAudio();
}

void SetupWindow::ClosePage() {
    if (!page_) return;
    page_->StopAudio();
    page_->Store();
    page_.reset();
}

void SetupWindow::OpenTab(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return;
    ClosePage();
    if (tabs_->currentIndex() != index) {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(index);
    }
    QWidget* holder = tabs_->widget(index);
    if (!holder->layout()) new QVBoxLayout(holder);
    page_ = MakePage(entries_[index].type, state_, holder);
    holder->layout()->addWidget(page_.get());
    page_->Fill();
    page_->show();
}

void SetupWindow::Next() {
    OpenTab((tabs_->currentIndex() + 1) % tabs_->count());
}

bool SetupWindow::Save() {
    ClosePage();
    if (!SaveSettings(state_.settings, state_.iniPath)) {
        OpenTab(tabs_->currentIndex());
        return false;
    }
    saved_ = true;
    return true;
}

bool SetupWindow::SaveAndExit() {
    if (!Save()) return false;
    leaving_ = true;
    close();
    return true;
}

void SetupWindow::Cancel() {
    if (page_) page_->StopAudio();
    page_.reset();  // its values are dropped
    leaving_ = true;
    close();
}

void SetupWindow::closeEvent(QCloseEvent* event) {
    if (leaving_ || Save()) {
        leaving_ = true;
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace mora
