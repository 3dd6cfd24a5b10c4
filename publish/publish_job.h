#pragma once
// A publish job: the audio of a clip or of the clip list as one Broadcast Wave (or MP2)
// publication, with the chosen images and the reporter's text, by FTP (an interrupted MP2
// upload resumes where the server's copy ends), by e-mail (one message), or to a local file.
// The images-only job sends just the images. Questions and progress go through the
// user-interface services; the publish dialogs through PublishDialogs, so a job also runs
// without a screen.

#include <cstdint>
#include <string>
#include <vector>

#include "net/ftp_stream.h"
#include "publish/audio_writer_factory.h"
#include "publish/image_publishers.h"
#include "publish/publish_choices.h"
#include "publish/publish_clips.h"

namespace mora {

// What a publish dialog is opened for. The e-mail dialog shows To, Subject, the SMTP server
// (direct sending only) and the size estimate; the FTP dialog the server choice. Both show the
// image list when `withImages`, and the "Keep names" box for the images-only job.
struct PublishDialogRequest {
    bool email = false;
    bool outbox = false;
    bool withImages = false;
    bool serverChoice = false;
    bool imagesOnly = false;
    uint64_t audioBytes = 0;  // for the size estimate
};

class PublishDialogs {
  public:
    virtual ~PublishDialogs() = default;
    // Runs the dialog; false when the reporter cancelled. "Start" is the work of
    // AcceptEmailDialog / AcceptFtpDialog.
    virtual bool Run(const PublishDialogRequest& request) = 0;
};

// Everything a job works with; the owner keeps it for the life of the program.
struct PublishEnv {
    Settings& settings;
    LastState& lastState;
    PublishSession& session;
    InternetState& internet;
    ImagePublisherSlot& publishers;
    PublishDialogs* dialogs = nullptr;  // none: every dialog is taken as started
    std::string logPath;                // publish-log.txt; empty: no log
    // Silent reconnections in a row before the job gives up (0: no limit, as in the program,
    // where the reporter can press Cancel).
    uint32_t reconnectLimit = 0;
};

struct PublishRequest {
    std::vector<PublishClip> clips;
    std::string baseName;
    std::string text;          // the reporter's text
    std::string outputFolder;  // to-file: where "pub_" + base name goes (ends in '/')
    bool toFile = false;
    bool fast = false;
    uint32_t levelShift = 2;
};

struct PublishedFile {
    std::string name;  // remote name, attachment name or local path
    uint64_t bytes = 0;
};

struct PublishResume {
    uint64_t offset = 0;
    bool fromServerSize = false;  // taken from SIZE, else from the bytes the connection accepted
};

struct PublishOutcome {
    bool ok = false;
    bool started = false;  // false: a dialog was cancelled or nothing was to be sent
    std::string target;    // "ftp", "email", "outbox" or "file"
    std::vector<PublishedFile> files;
    std::vector<PublishResume> resumes;
    // FTP: the audio file's size on the server was asked after the upload and matched.
    bool sizeVerified = false;
    bool sizeChecked = false;
    std::string message;  // the failure shown, when there was one
};

// The publish job for the clips. The settings changed for a fast job come back afterwards.
PublishOutcome RunPublishJob(const PublishRequest& request, PublishEnv& env);
// The images-only job ("Image"), named after `baseName`.
PublishOutcome RunImageJob(const std::string& baseName, const std::string& text, PublishEnv& env);

// The checks before a clip or clip-list job, in order; the message to show, or empty.
struct PublishCheck {
    bool clipList = false;
    bool variant = false;  // to file, or fast
    bool recording = false;
    bool jobRunning = false;
    bool nothingToPublish = false;  // empty selection or clip list
    uint32_t sampleRate = 44100;
};
// Returns "" when the job may start; "-" when the command does nothing without a message.
std::string CheckPublish(const PublishCheck& check, const Settings& settings);

inline constexpr char kResumeRefused[] = "Resume not possible\non this server.";

}  // namespace mora
