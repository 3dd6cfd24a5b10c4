#include "app/mora_app.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QScreen>

#include <cstdlib>

#include "app/audio_startup.h"
#include "app/not_built.h"
#include "app/startup.h"
#include "app/transport.h"
#include "engine/recovery.h"
#include "platform/program_dir.h"
#include "platform/trace.h"
#include "project/project_store.h"

namespace mora {

MoraApp::MoraApp(std::string commandLine, QtUi* ui)
    : ui_(ui), server_([this](const std::string& request) { OnInstanceRequest(request); }) {
    state_.commandLine = std::move(commandLine);
}

MoraApp::~MoraApp() {
    Shutdown();
}

bool MoraApp::InitInstance() {
    busy_.emplace();
    // A logout's SIGTERM, like another instance's "close", ends this one as "Exit" does.
    quitSignals_ = std::make_unique<QuitSignals>([this] { OnInstanceRequest("close"); });
    // The settings editor must not write MoraIni.sup behind our back.
    SendInstanceRequest(kSetupClass, "close", true);
    if (IsProjectPathArgument(state_.commandLine)) {
        // The running instance saves its project and state and makes way for this one.
        SendInstanceRequest(kMainClass, "close", true);
    } else if (SendInstanceRequest(kMainClass, "activate") != InstanceReply::NotRunning) {
        busy_.reset();
        return false;
    }
    if (!server_.Listen(kMainClass) && server_.HeldByAnother()) {
        // The running instance did not answer in time (busy publishing, say): it stays the one.
        busy_.reset();
        return false;
    }

    // The devices first: start-up looks among them for the external interface.
    const char* audioChoice = std::getenv("MORA_AUDIO");
    OpenProgramAudio(state_, loop_, audioChoice ? audioChoice : "");
    const bool loaded = LoadStartupSettings(state_);
    if (!loaded && Ui().MessageBox("Error", kNoIniText, MsgIcon::Error, MsgButtons::OkCancel) ==
                       MsgAnswer::Cancel) {
        busy_.reset();
        return false;
    }

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect display = screen ? screen->geometry() : QRect(0, 0, 0, 0);
    state_.screenBitmaps = ChooseScreenBitmaps(state_.settings, display.width(), display.height());

    InitProject(state_.project, state_.settings);
    ChooseStartupProject(state_);
    StartEngine(state_, state_.engine, loop_);
    // A recording that a crash interrupted joins the project, and the reporter hears of it once.
    if (auto recovered = RecoverInterruptedRecording(state_.project))
        Ui().MessageBox("Mora Edit", RecoveredText(*recovered, state_.project.shift),
                        MsgIcon::Information, MsgButtons::Ok);
    state_.clientSize = ReadClientSize(ProgramFile("size.txt"));

    window_ = std::make_unique<MainWindow>(state_, loop_);
    window_->postQuit = [] { QCoreApplication::exit(0); };
    if (ui_) ui_->SetProgressView(window_.get());
    window_->SetClientSize(state_.clientSize);
    window_->show();
    window_->raise();
    window_->activateWindow();
    window_->SwitchScreen(kRecordScreen);
    busy_.reset();
    started_ = true;
    return true;
}

int MoraApp::Run() {
    // A request to close may have come while the window was being made.
    const int code = state_.quitting ? 0 : QApplication::exec();
    // The loop is over: a further request to end it (the window's Destroy asks again) would
    // make every later modal loop, such as the message box of a failed save, end at once.
    if (window_) window_->postQuit = nullptr;
    Shutdown();
    return code;
}

void MoraApp::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (!started_) {
        // A start that gave way or was cancelled ends at once and writes nothing: the last
        // state belongs to the instance that runs.
        server_.Close();
        return;
    }
    if (ui_) ui_->SetProgressView(nullptr);
    if (window_) window_->Destroy();  // keeps the text being edited
    FinishRecording();
    // The screens' transport stands on the engine, and the engine on the devices.
    state_.transport.reset();
    StopEngine(state_.engine);
    SaveProject(state_.project);
    window_.reset();
    if (state_.settings.PdAudioInput) NotBuilt("closing the digital input card");
    SaveLastState(state_.lastState, state_.settings, state_.project.folder, state_.project.name,
                  ProgramFile("MoraSet.sup"));
    state_.audio.reset();
    NotBuilt("releasing publishing objects");
    // Last: an instance that asked this one to close waits for the link to go.
    server_.Close();
}

void MoraApp::FinishRecording() {
    // Closing while recording: the window stopped the input, and the recording joins the
    // project when its last buffers are back, which needs the loop a moment longer.
    Engine* engine = state_.engine.engine.get();
    if (!engine) return;
    QDeadlineTimer deadline(3000);
    while ((engine->Saving() || engine->SavingRequested()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void MoraApp::OnInstanceRequest(const std::string& request) {
    if (request == "activate") {
        if (!window_) return;
        if (window_->isMinimized()) window_->showNormal();
        window_->raise();
        window_->activateWindow();
    } else if (request == "close") {
        // Handled from the loop, after the answer has gone out.
        loop_.Post([this] {
            if (window_) {
                window_->close();
            } else {
                state_.quitting = true;
            }
        });
    } else if (request.rfind("open ", 0) == 0) {
        const std::string path = request.substr(5);
        loop_.Post([this, path] {
            if (window_ && window_->TextEditorOpen()) window_->CloseTextEditor();
            SaveProject(state_.project);
            OpenProjectFile(state_.project, state_.settings, path);
            OnInstanceRequest("activate");
        });
    } else {
        Trace("instance link: unknown request \"%s\"", request.c_str());
    }
}

}  // namespace mora
