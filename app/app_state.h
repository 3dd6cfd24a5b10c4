#pragma once
// The main program's state: one AppState, owned by the program and passed by reference, so a
// test can build a fresh one.

#include <functional>
#include <memory>
#include <string>

#include "audio/input_processing.h"
#include "engine/engine.h"
#include "engine/project_link.h"
#include "net/ftp_stream.h"
#include "platform/audio/audio_device.h"
#include "project/project_state.h"
#include "publish/image_publishers.h"
#include "publish/publish_choices.h"
#include "settings/settings.h"
#include "ui/transport.h"

namespace mora {

enum ScreenIndex {
    kRecordScreen = 0,
    kEditorScreen = 1,
    kClipEditorScreen = 2,
    kTextEditorScreen = 3,
    kAboutScreen = 4,
    kProgressScreen = 5,
    kScreenCount = 6,
    kNoScreen = -1,
};

struct ClientSize {
    int width = 480;
    int height = 540;
};

// The screen picture pair chosen at start-up.
struct ScreenBitmapPair {
    int first = 494;
    int second = 495;
};

// The audio engine and what it needs beside the program state (made by StartEngine).
struct EngineHolder {
    InternetState internet;
    std::unique_ptr<ProjectLink> link;
    std::unique_ptr<Engine> engine;
};

struct AppState {
    Settings settings;
    LastState lastState;
    bool settingsLoaded = false;

    // The current project, its clip list and the current recording with its edit state.
    ProjectState project;

    // Publishing: the dialogs' choices kept between jobs, the Internet layer's state, the
    // current image publisher, and whether a job runs.
    PublishSession publishSession;
    InternetState internet;
    ImagePublisherSlot imagePublishers;
    bool publishing = false;

    // The command line after the program name: a project path, or empty (or starting with a
    // blank) to bring a running instance forward.
    std::string commandLine;

    // No screen is current before the first switch, so the record screen is activated then.
    int currentScreen = kNoScreen;
    int previousScreen = kNoScreen;
    bool quitting = false;

    // The sound devices (the null device when no sound server answered) and the input
    // processing computed from the settings.
    std::unique_ptr<AudioSystem> audio;
    InputDsp inputDsp;
    // Declared after the devices, so that it goes first.
    EngineHolder engine;

    bool interfaceFound = false;
    int interfaceDevice = -1;
    ScreenBitmapPair screenBitmaps;
    ClientSize clientSize;

    // What the record and editor screens drive; the main window puts a stand-in here when the
    // program has not set one.
    std::unique_ptr<TransportControl> transport;
    TransportState transportState = TransportState::Stopped;
};

}  // namespace mora
