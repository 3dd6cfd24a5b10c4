// mora-cli publish clip / cliplist / image: the publish jobs of the program without dialogs.
// The dialogs' answers come from the options and the settings; progress goes to stderr.

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "cli/project_cli.h"
#include "platform/program_dir.h"
#include "platform/ui_services.h"
#include "project/clip_list.h"
#include "project/editing.h"
#include "publish/publish_entries.h"
#include "publish/publish_job.h"
#include "publish/publish_log.h"

namespace mora::cli {
namespace {

// Messages on stderr; "Resume publishing ?" answered from --no-resume.
class CliPublishUi : public StderrUi {
  public:
    explicit CliPublishUi(bool resume) : resume_(resume), previous_(SetUi(this)) {}
    ~CliPublishUi() override { SetUi(previous_); }
    MsgAnswer MessageBox(const std::string& title, const std::string& text, MsgIcon icon,
                         MsgButtons buttons) override {
        const MsgAnswer answer = StderrUi::MessageBox(title, text, icon, buttons);
        if (buttons == MsgButtons::YesNo && !resume_) return MsgAnswer::No;
        return answer;
    }

  private:
    bool resume_;
    UiServices* previous_;
};

int ProfileIndex(const Settings& settings, const std::string& name, bool ftp) {
    const ServerChoice choice = ftp ? FtpServerChoice(settings) : SmtpServerChoice(settings);
    for (size_t i = 0; i < choice.names.size(); ++i)
        if (choice.names[i] == name) return choice.profiles[i];
    return -1;
}

// The dialogs, answered by the options: "Start" with the given recipient (else the newest of
// the history), subject and servers.
class CliDialogs : public PublishDialogs {
  public:
    CliDialogs(const Args& args, Settings& settings, LastState& lastState, PublishSession& session)
        : args_(args), settings_(settings), lastState_(lastState), session_(session) {}

    bool Run(const PublishDialogRequest& request) override {
        const bool keepNames = args_.Has("keep-names");
        if (!request.email) {
            const int profile =
                ProfileIndex(settings_, args_.Get("ftp-profile", settings_.FtpProfileName), true);
            const uint8_t allow = settings_.AllowFtpProfileSelection;
            if (args_.Has("ftp-profile")) settings_.AllowFtpProfileSelection = 1;
            AcceptFtpDialog(profile, keepNames, settings_, lastState_);
            settings_.AllowFtpProfileSelection = allow;
            return true;
        }
        const std::string historyPath = ProgramFile(kEmailHistoryFile);
        const std::vector<std::string> history = ReadEmailHistory(historyPath);
        const int smtp =
            request.outbox
                ? -1
                : ProfileIndex(settings_, args_.Get("smtp-profile", settings_.SmtpProfileName),
                               false);
        illegal_ = !AcceptEmailDialog(args_.Get("to", history.front()),
                                      args_.Get("subject", session_.mail.subject), smtp, keepNames,
                                      history, historyPath, settings_, lastState_, session_)
                        .empty();
        if (illegal_) std::fprintf(stderr, "%s\n", kIllegalAddress);
        return !illegal_;
    }
    bool Illegal() const { return illegal_; }

  private:
    const Args& args_;
    Settings& settings_;
    LastState& lastState_;
    PublishSession& session_;
    bool illegal_ = false;
};

nlohmann::ordered_json OutcomeJson(const PublishOutcome& outcome) {
    nlohmann::ordered_json json;
    json["target"] = outcome.target;
    json["files"] = nlohmann::ordered_json::array();
    for (const PublishedFile& f : outcome.files)
        json["files"].push_back({{"name", f.name}, {"bytes", f.bytes}});
    json["resumes"] = nlohmann::ordered_json::array();
    for (const PublishResume& r : outcome.resumes)
        json["resumes"].push_back(
            {{"offset", r.offset}, {"from", r.fromServerSize ? "SIZE" : "sent"}});
    json["sizeVerified"] = outcome.sizeVerified;
    return json;
}

int Publish(const Args& args, const std::string& what) {
    if (args.positional.empty()) {
        std::fprintf(stderr, "mora-cli publish %s: name the project file\n", what.c_str());
        return kExitUsage;
    }
    Settings settings;
    LoadCliSettings(args, settings);
    if (auto via = args.Get("via")) {
        if (*via == "ftp")
            settings.SendThrough = 0;
        else if (*via == "email")
            settings.SendThrough = 2;
        else if (*via == "outbox")
            settings.SendThrough = 1;
        else {
            std::fprintf(stderr, "mora-cli publish: --via takes ftp, email or outbox\n");
            return kExitUsage;
        }
    }
    if (args.Has("resume-silently") && args.Has("no-resume")) {
        std::fprintf(stderr, "mora-cli publish: --resume-silently or --no-resume, not both\n");
        return kExitUsage;
    }
    if (args.Has("resume-silently")) settings.ResumeSilently = 1;
    if (args.Has("no-resume")) settings.ResumeSilently = 0;
    for (const char* option : {"ftp-profile", "smtp-profile"}) {
        if (auto name = args.Get(option);
            name && ProfileIndex(settings, *name, option[0] == 'f') < 0) {
            std::fprintf(stderr, "mora-cli publish: no %s named \"%s\"\n", option, name->c_str());
            return kExitUsage;
        }
    }

    PublishSession session;
    std::vector<std::string> images =
        args.allValues.count("image") ? args.allValues.at("image") : std::vector<std::string>{};
    images.insert(images.end(), args.positional.begin() + 1, args.positional.end());
    for (const std::string& image : images) {
        if (!session.images.AddFile(AbsolutePath(image))) {
            std::fprintf(stderr, "mora-cli publish: cannot add image %s\n", image.c_str());
            return kExitUsage;
        }
    }
    session.includeImages = !images.empty();
    if (!images.empty()) settings.EnableImages = 1;
    session.mail.subject = args.Get("subject", "");

    ProjectState state;
    if (!OpenCliProject(state, settings, AbsolutePath(args.positional[0]))) return kExitFailed;

    LastState lastState;
    lastState.KeepNames = args.Has("keep-names") ? 1 : 0;
    InternetState internet;
    ImagePublisherSlot publishers;
    CliDialogs dialogs(args, settings, lastState, session);
    PublishEnv env{
        settings, lastState, session, internet, publishers, &dialogs, ProgramFile(kPublishLogFile)};
    env.reconnectLimit = 5;
    CliPublishUi ui(!args.Has("no-resume"));
    const std::string text = args.Has("no-text") ? "" : state.text;

    PublishOutcome outcome;
    if (what == "image") {
        if (images.empty()) {
            std::fprintf(stderr, "mora-cli publish image: name the images with --image\n");
            return kExitUsage;
        }
        outcome = RunImageJob(state.recording.name.empty() ? state.name : state.recording.name,
                              text, env);
    } else {
        const bool clipList = what == "cliplist";
        std::vector<ClipEntry> entries;
        std::string baseName = state.name;
        if (clipList) {
            PrepareClipPublish(state);
            entries = state.clips.entries;
        } else {
            if (auto n = args.Get("clip")) {
                char* end = nullptr;
                const long index = std::strtol(n->c_str(), &end, 10);
                if (n->empty() || *end || !SelectClip(state, static_cast<int32_t>(index))) {
                    std::fprintf(stderr, "mora-cli publish clip: no clip %s\n", n->c_str());
                    return kExitUsage;
                }
            }
            PrepareClipPublish(state);
            if (!state.recording.audioPath.empty()) entries = CurrentClipForPublish(state);
            if (!entries.empty() && entries.front().length == 0) entries.clear();
            baseName = state.recording.name;
        }
        PublishCheck check;
        check.clipList = clipList;
        check.variant = args.Has("to-file") || args.Has("fast");
        check.nothingToPublish = entries.empty();
        check.sampleRate = state.format.recordingRate;
        const std::string refusal = CheckPublish(check, settings);
        if (!refusal.empty()) {
            if (refusal != "-") std::fprintf(stderr, "%s\n", refusal.c_str());
            return kExitFailed;
        }
        PublishRequest request;
        if (!LoadEntriesForPublish(state, entries, request.clips)) return kExitFailed;
        request.baseName = baseName;
        request.text = text;
        request.outputFolder = state.folder;
        request.toFile = args.Has("to-file");
        request.fast = args.Has("fast");
        request.levelShift = state.shift;
        outcome = RunPublishJob(request, env);
    }
    if (dialogs.Illegal()) return kExitUsage;
    std::cout << OutcomeJson(outcome).dump(2) << "\n";
    if (!outcome.ok) {
        std::fprintf(stderr, "mora-cli publish %s: %s\n", what.c_str(),
                     outcome.message.empty() ? "publishing failed" : outcome.message.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

const std::vector<std::string> kValueOptions = {"clip",        "via",          "to",    "subject",
                                                "ftp-profile", "smtp-profile", "image", "ini"};
const std::vector<std::string> kFlagOptions = {
    "to-file", "fast", "keep-names", "no-text", "resume-silently", "no-resume"};

const char kHelp[] =
    "Publishes as the program's publish commands do, without dialogs: by FTP (an interrupted\n"
    "MP2 upload resumes where the server's copy ends), by e-mail (the text is the body), into\n"
    "the outbox, or with --to-file as \"pub_NAME\" in the project folder. --to is checked and\n"
    "kept in emails.txt as the e-mail dialog's Start does (else the newest address there is\n"
    "used). Images are added with --image (repeated) or after the project. Progress goes to\n"
    "stderr; prints target, files, resumes and sizeVerified as JSON and adds a line to\n"
    "publish-log.txt. Exit 1 when the job fails, 2 on bad arguments or an illegal address.";

const CommandRegistrar kPublishClip{{
    "publish clip",
    "PROJECT.mpr [--clip N] [--to-file] [--fast] [--via ftp|email|outbox] [--to ADDR]\n"
    "  [--subject TEXT] [--ftp-profile NAME] [--smtp-profile NAME] [--image FILE]...\n"
    "  [--keep-names] [--no-text] [--resume-silently|--no-resume] [--ini FILE]",
    std::string("The selected clip (or clip N of the list) with its range and cuts.\n") + kHelp,
    kValueOptions,
    kFlagOptions,
    [](const Args& args) { return Publish(args, "clip"); },
}};

const CommandRegistrar kPublishClipList{{
    "publish cliplist",
    "PROJECT.mpr [options of publish clip]",
    std::string("The whole clip list as one publication.\n") + kHelp,
    kValueOptions,
    kFlagOptions,
    [](const Args& args) { return Publish(args, "cliplist"); },
}};

const CommandRegistrar kPublishImage{{
    "publish image",
    "PROJECT.mpr --image FILE... [--via ftp|email|outbox] [--to ADDR] [--keep-names]",
    std::string("Only the images, named after the current recording (or, with --keep-names, as "
                "they are); by FTP the text goes first.\n") +
        kHelp,
    kValueOptions,
    kFlagOptions,
    [](const Args& args) { return Publish(args, "image"); },
}};

}  // namespace
}  // namespace mora::cli
