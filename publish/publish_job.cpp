#include "publish/publish_job.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "audio/bwf_file_writers.h"
#include "audio/level_meter.h"
#include "platform/system_facts.h"
#include "platform/trace.h"
#include "platform/ui_services.h"
#include "publish/bwf_net_writers.h"
#include "publish/clip_writer.h"
#include "publish/publish_log.h"
#include "stream/jstream_file.h"
#include "stream/report.h"

namespace mora {
namespace {

enum class Target { Ftp, Email, File };

// Puts back the settings a fast job changes, and turns the quiet-publishing flag on, however
// the job ends.
class JobSettingsGuard {
  public:
    JobSettingsGuard(Settings& settings, InternetState& internet)
        : settings_(settings),
          internet_(internet),
          enableImages_(settings.EnableImages),
          bitrate_(settings.Mp2BitrateIndex) {}
    ~JobSettingsGuard() {
        settings_.EnableImages = enableImages_;
        settings_.Mp2BitrateIndex = bitrate_;
        internet_.quietPublishing = true;
        Ui().ProgressEnd();
    }

  private:
    Settings& settings_;
    InternetState& internet_;
    uint32_t enableImages_;
    uint8_t bitrate_;
};

int FtpServerCount(const Settings& settings) {
    int n = 0;
    for (const FtpProfile& p : settings.FtpProfiles) n += p.Server.empty() ? 0 : 1;
    return n;
}

// Shows the dialog the target asks for; false when the reporter cancelled.
bool AskDialog(PublishEnv& env, Target target, bool imagesOnly, uint64_t audioBytes) {
    const Settings& s = env.settings;
    PublishDialogRequest request;
    request.imagesOnly = imagesOnly;
    request.audioBytes = audioBytes;
    request.withImages = imagesOnly || s.EnableImages != 0;
    if (target == Target::Email) {
        request.email = true;
        request.outbox = s.SendThrough == JStreamEMAIL::kSendThroughOutbox;
    } else {
        request.serverChoice = FtpServerCount(s) >= 2 && s.AllowFtpProfileSelection;
        if (!request.withImages && !request.serverChoice) return true;
    }
    return !env.dialogs || env.dialogs->Run(request);
}

std::string TargetName(Target target, const Settings& settings) {
    if (target == Target::File) return "file";
    if (target == Target::Ftp) return "ftp";
    return settings.SendThrough == JStreamEMAIL::kSendThroughOutbox ? "outbox" : "email";
}

PublishOutcome Fail(PublishOutcome outcome, const std::string& message, bool show) {
    outcome.ok = false;
    outcome.message = message;
    if (show && !message.empty()) ReportError(message);
    return outcome;
}

void Log(const PublishEnv& env, const PublishOutcome& outcome) {
    if (!env.logPath.empty() && outcome.started) AppendPublishLog(env.logPath, outcome);
}

// Copies a file in 16 KiB chunks to `put`, stepping the progress window; false when the file
// could not be read, the target stopped, or the reporter cancelled.
template <typename Put, typename Ready>
bool CopyImage(const std::string& path, Put put, Ready ready, uint64_t& bytes) {
    JStreamFile file(path, true);
    if (!file.IsReadable()) return false;
    std::vector<uint8_t> chunk(kPublishChunk);
    for (uint32_t left = file.GetSize(); left > 0;) {
        const uint32_t n = std::min(left, kPublishChunk);
        if (file.Read(chunk.data(), n) != static_cast<int32_t>(n)) return false;
        put(chunk.data(), n);
        if (!ready()) return false;
        bytes += n;
        left -= n;
        Ui().ProgressStep();
        if (Ui().ProgressCancelled()) return false;
    }
    return true;
}

// The audio of a job: everything between choosing the writer and the extra files.
class AudioRun {
  public:
    AudioRun(const PublishRequest& request, PublishEnv& env, JStreamAudioWrite& writer,
             JStreamWrMP2* reencoder, int channels, bool resumable, PublishOutcome& outcome)
        : request_(request),
          env_(env),
          writer_(writer),
          reencoder_(reencoder),
          channels_(channels),
          resumable_(resumable),
          outcome_(outcome),
          ftp_(dynamic_cast<JStreamAudioWriteBWFFTP*>(&writer)) {
        for (const PublishClip& clip : request.clips)
            steps_.push_back(ClipSteps(clip, reencoder != nullptr, request.levelShift));
    }

    // True when every clip went out and the writer is still good.
    bool Run();

  private:
    enum class Reopen { Done, Retry, Restart, Stop };
    Reopen ResumeUpload();
    bool WriteClips();
    bool Interrupted();
    bool Finish();

    const PublishRequest& request_;
    PublishEnv& env_;
    JStreamAudioWrite& writer_;
    JStreamWrMP2* reencoder_;
    int channels_;
    bool resumable_;
    PublishOutcome& outcome_;
    JStreamAudioWriteBWFFTP* ftp_;
    std::vector<uint32_t> steps_;
    // Where each clip begins in the uploaded file, for the clips begun so far.
    std::vector<uint64_t> clipStart_;
    size_t current_ = 0;
    uint64_t skip_ = 0;  // bytes of the current clip the server holds
    bool cancelled_ = false;
    uint32_t failedReconnects_ = 0;
    uint64_t audioEnd_ = UINT64_MAX;  // where the audio data ends in the upload, once known
};

AudioRun::Reopen AudioRun::ResumeUpload() {
    // What the server holds decides where to go on: the connection may have accepted bytes
    // that never reached the file. Only a server that cannot tell leaves the byte count.
    ftp_->Prepare();
    uint64_t offset = ftp_->BytesSent();
    bool fromSize = false;
    FtpConnection* connection = ftp_->Connection();
    ResumeResult result = ResumeResult::NoConnection;
    if (connection && connection->IsConnected()) {
        uint64_t size = 0;
        if (connection->Client().Size(ftp_->RemotePath(request_.baseName), size)) {
            offset = std::min(size, offset);
            fromSize = true;
        }
        // What follows the audio is written again whole.
        offset = std::min(offset, audioEnd_);
        Trace("Resume at %llu (%s)", static_cast<unsigned long long>(offset),
              fromSize ? "SIZE" : "sent");
        // Not even the header arrived: the upload starts again.
        if (offset < ftp_->DataStart() || clipStart_.empty()) return Reopen::Restart;
        result = writer_.Resume(request_.baseName, static_cast<uint32_t>(offset));
    }
    if (result == ResumeResult::Refused) {
        outcome_.message = kResumeRefused;
        ReportError(kResumeRefused);
        return Reopen::Stop;
    }
    if (result == ResumeResult::Resumed) {
        outcome_.resumes.push_back({offset, fromSize});
        // The server would not open the file there.
        if (!writer_.IsReady()) result = ResumeResult::NoConnection;
    }
    if (result == ResumeResult::NoConnection) {
        ++failedReconnects_;
        if (cancelled_ || Ui().ProgressCancelled() || !env_.settings.ResumeSilently ||
            (env_.reconnectLimit && failedReconnects_ >= env_.reconnectLimit))
            return Reopen::Stop;
        return Reopen::Retry;
    }
    failedReconnects_ = 0;
    size_t c = std::min(current_, clipStart_.size() - 1);
    while (c > 0 && clipStart_[c] > offset) --c;
    current_ = c;
    skip_ = offset - clipStart_[c];
    clipStart_.resize(c + 1);
    return Reopen::Done;
}

bool AudioRun::WriteClips() {
    auto step = [] {
        Ui().ProgressStep();
        return !Ui().ProgressCancelled();
    };
    uint64_t position = clipStart_.empty() ? ftp_ ? ftp_->DataStart() : 0 : clipStart_.back();
    for (; current_ < request_.clips.size(); ++current_) {
        if (clipStart_.size() <= current_) clipStart_.push_back(position);
        Trace("Entry: breakbytes=%llu", static_cast<unsigned long long>(skip_));
        const ClipWrite w = WriteClip(writer_, reencoder_, request_.clips[current_], channels_,
                                      request_.levelShift, skip_, step);
        if (w.readFailed) {
            outcome_.message = "cannot read " + request_.clips[current_].recordingPath;
            return false;
        }
        if (w.cancelled) cancelled_ = true;
        if (!w.complete) {
            skip_ = w.bytes;  // the bytes sent before the break (SIZE may correct them)
            return false;
        }
        Trace("Success: ftpmpbytescnt=%llu", static_cast<unsigned long long>(w.bytes));
        position = clipStart_[current_] + w.bytes;
        skip_ = 0;
    }
    return writer_.IsReady();
}

// The end of the publication. An upload counts only when the server confirms it: until then
// the kernel may hold bytes that never arrive, and a refusal is a break like any other.
bool AudioRun::Finish() {
    if (!ftp_) {
        writer_.Finish();
        return true;
    }
    audioEnd_ = ftp_->BytesSent();
    writer_.Finish();
    ftp_->CloseFile();
    return ftp_->IsGood();
}

// After a break or a Cancel: whether to go on with a resume.
bool AudioRun::Interrupted() {
    // The job abandons what cannot be resumed (an e-mail cut short is never sent).
    if (!resumable_ || !outcome_.message.empty()) return false;
    writer_.Close();
    writer_.FlushEncoder();
    if (env_.settings.ResumeSilently) return true;
    return Ui().MessageBox("Publishing interrupted!", "Resume publishing ?", MsgIcon::Question,
                           MsgButtons::YesNo) == MsgAnswer::Yes;
}

bool AudioRun::Run() {
    uint32_t totalSteps = 0;
    for (uint32_t s : steps_) totalSteps += s;
    bool resuming = false;
    for (;;) {
        Ui().ProgressStart("  Publishing audio...  ", totalSteps);
        const Reopen r = resuming ? ResumeUpload() : Reopen::Restart;
        if (r == Reopen::Stop) return false;
        if (r == Reopen::Retry) continue;
        if (r == Reopen::Restart) {
            writer_.Open(request_.baseName);
            audioEnd_ = UINT64_MAX;
            clipStart_.clear();
            current_ = 0;
            skip_ = 0;
        }
        cancelled_ = false;
        uint32_t done = 0;
        for (size_t c = 0; c < current_; ++c) done += steps_[c];
        Ui().ProgressStep(done);
        if (writer_.IsReady() && WriteClips() && !cancelled_ && Finish()) return true;
        if (!Interrupted()) return false;
        resuming = true;
    }
}

uint64_t AudioDataBytes(const BwfMetadata& metadata, uint32_t frames, const Mp2Bitrate& bitrate,
                        Target target, bool mp2) {
    if (target == Target::File && !mp2) {
        // 48 kHz 16-bit PCM.
        const uint64_t samples = uint64_t{metadata.totalLevelValues} * 48000 /
                                 std::max<uint32_t>(1, metadata.levelValuesPerSecond);
        return samples * 2 * static_cast<uint64_t>(metadata.channels);
    }
    return uint64_t{frames} * bitrate.frameLength;
}

}  // namespace

std::string CheckPublish(const PublishCheck& check, const Settings& settings) {
    const bool blocked = check.recording || check.jobRunning ||
                         (!settings.FtpTestPassed && settings.SendThrough == 0);
    if (blocked) return check.clipList && !check.variant ? "MenuPublishCliplist" : "-";
    if (check.nothingToPublish && !settings.EnableImages)
        return check.clipList ? "Nothing in cliplist" : "Nothing recorded or selected";
    if (check.sampleRate > 48000)
        return "Sample-rate= " + std::to_string(check.sampleRate / 1000) +
               " KHz.\nYou can not publish at\nsample-rates higher than 48 KHz.";
    return {};
}

PublishOutcome RunPublishJob(const PublishRequest& request, PublishEnv& env) {
    PublishOutcome outcome;
    Settings& settings = env.settings;
    JobSettingsGuard guard(settings, env.internet);
    const Target target = request.toFile         ? Target::File
                          : settings.SendThrough ? Target::Email
                                                 : Target::Ftp;
    outcome.target = TargetName(target, settings);
    if (request.clips.empty()) return Fail(outcome, "Nothing in cliplist", false);

    // 1. The clips: one format, and for copied MP2 one bitrate.
    const bool mp2 = request.clips.front().mp2;
    int channels = 1;
    for (const PublishClip& clip : request.clips) {
        if (clip.mp2 != mp2 ||
            (mp2 && !request.fast && clip.mp2BitrateIndex != request.clips.front().mp2BitrateIndex))
            return Fail(outcome,
                        "the recordings differ in format or bitrate and cannot be published as one "
                        "file",
                        true);
        channels = std::max(channels, clip.channels);
    }
    if (request.fast) {
        settings.EnableImages = 0;
        if (!mp2) settings.Mp2BitrateIndex = settings.FastPublishBitrateIndex;
    }
    const bool reencode = mp2 && request.fast;
    const int bitrateIndex = reencode ? settings.FastPublishBitrateIndex
                             : mp2    ? request.clips.front().mp2BitrateIndex
                                      : settings.Mp2BitrateIndex;

    // 2. The metadata and the size of the audio data.
    AudioWriteFormat format;
    format.levelValuesPerSecond = 5u << request.levelShift;
    const LevelTables tables = BuildLevelTables();
    BwfSourceOptions options;
    options.description = request.baseName;
    options.fastPublish = reencode;
    options.levelValuesPerSecond = format.levelValuesPerSecond;
    options.tickLow = static_cast<uint16_t>(TickCountMs());
    options.mp2BitrateKbps = kMp2BitratesKbps[static_cast<size_t>(std::min(bitrateIndex, 11))];
    const BwfMetadata metadata =
        BuildBwfMetadata(MakeBwfSource(request.clips, settings, tables, options));
    const uint32_t frames =
        mp2 ? CountClipFrames(request.clips, request.levelShift)
            : FramesForLevelValues(metadata.totalLevelValues, format.levelValuesPerSecond);
    Mp2Bitrate bitrate;
    MakeMp2Bitrate(std::min(bitrateIndex, 11), format.levelValuesPerSecond, bitrate);
    const uint64_t audioBytes = AudioDataBytes(metadata, frames, bitrate, target, mp2);

    // 3, 4. Sender, dialog, writer.
    env.session.mail.sender = kDefaultSender;
    if (target != Target::File && !AskDialog(env, target, false, audioBytes)) return outcome;
    outcome.started = true;
    WriterContext context{settings,         env.internet, format, request.outputFolder,
                          env.session.mail, request.text};
    const WriterKind kind = target == Target::File
                                ? (mp2 ? WriterKind::BwfFileMpeg : WriterKind::BwfFilePcm)
                            : target == Target::Email ? WriterKind::BwfByEmail
                                                      : WriterKind::BwfByFtp;
    std::unique_ptr<JStreamAudioWrite> writer = CreateAudioWriter(kind, context);
    auto* encoder = dynamic_cast<JStreamWrMP2*>(writer.get());
    if (encoder && !encoder->SetBitrate(bitrateIndex, format.levelValuesPerSecond))
        return Fail(outcome, "", false);
    const BwfPublication publication{metadata, frames, !mp2 && metadata.channels == 2};
    if (auto* w = dynamic_cast<JStreamAudioWriteBWFFTP*>(writer.get()))
        w->SetPublication(publication);
    if (auto* w = dynamic_cast<JStreamAudioWriteBWFEMAIL*>(writer.get()))
        w->SetPublication(publication);
    if (auto* w = dynamic_cast<JStreamAudioWriteBWFWavFile*>(writer.get()))
        w->SetMetadata(metadata);
    if (auto* w = dynamic_cast<JStreamAudioWriteBWFMP2File*>(writer.get()))
        w->SetMetadata(metadata, frames, publication.stereoEncoding);

    // 5, 6. Connect and send the audio.
    Ui().ProgressStart("  Connecting...  ", 1);
    env.internet.quietPublishing = settings.ResumeSilently != 0;
    writer->Prepare();
    const bool resumable = target == Target::Ftp && mp2 && !reencode;
    AudioRun audio(request, env, *writer, reencode ? encoder : nullptr, metadata.channels,
                   resumable, outcome);
    auto abandon = [&] {
        if (auto* mail = dynamic_cast<JStreamEMAIL*>(writer.get()))
            mail->Abandon();  // a message cut short is never sent
        else
            writer->Close();
    };
    if (!audio.Run()) {
        abandon();
        outcome = Fail(outcome, outcome.message.empty() ? "" : outcome.message, false);
        Log(env, outcome);
        return outcome;
    }

    // 7. (Finished by the audio run.)
    std::string audioName = request.baseName + "." + settings.PublishFileExt;
    uint64_t audioSent = 0;
    if (auto* ftp = dynamic_cast<JStreamAudioWriteBWFFTP*>(writer.get())) {
        audioSent = ftp->BytesSent();
        audioName = ftp->RemotePath(request.baseName);
        uint64_t size = 0;
        if (ftp->IsGood() && ftp->Connection() &&
            ftp->Connection()->Client().Size(audioName, size)) {
            outcome.sizeChecked = true;
            outcome.sizeVerified = size == audioSent;
        }
    } else if (auto* wav = dynamic_cast<JStreamAudioWriteBWFWavFile*>(writer.get())) {
        audioName = wav->Path();
    } else if (target == Target::File) {
        audioName = request.outputFolder + "pub_" + audioName;
    }
    auto* stream = dynamic_cast<JStream*>(writer.get());
    if (!stream || !stream->IsGood() || (outcome.sizeChecked && !outcome.sizeVerified)) {
        abandon();
        Log(env, Fail(outcome, outcome.sizeChecked ? "size check failed" : "", false));
        return Fail(outcome, "", false);
    }
    outcome.files.push_back({audioName, target == Target::File ? 0 : audioSent});

    // 8. Images; 9. the text (FTP; an e-mail carries it as its body).
    bool ok = true;
    const std::string destDir = target == Target::Ftp ? settings.FtpDestDir : "";
    if (target != Target::File && settings.EnableImages && env.session.includeImages &&
        !env.session.images.Empty()) {
        Ui().ProgressStart("  Publishing image...  ",
                           static_cast<uint32_t>(env.session.images.Total() / kPublishChunk));
        int number = 1;
        for (const ImageEntry& image : env.session.images.Entries()) {
            const std::string name = ImageFileName(request.baseName, number++, image.path, false);
            writer->OpenExtraFile(name);
            if (!writer->IsReady()) continue;
            uint64_t bytes = 0;
            ok &= CopyImage(
                image.path, [&](const uint8_t* d, uint32_t n) { writer->WriteEncoded(d, n); },
                [&] { return writer->IsReady(); }, bytes);
            outcome.files.push_back({destDir.empty() ? name : FtpRemotePath(destDir, name), bytes});
        }
    }
    if (target == Target::Ftp && !request.text.empty()) {
        Ui().ProgressStart("  Publishing text...  ", 10);
        const std::string name = TextFileName(settings, request.baseName);
        writer->OpenExtraFile(name);
        if (writer->IsReady()) {
            writer->WriteEncoded(reinterpret_cast<const uint8_t*>(request.text.data()),
                                 static_cast<uint32_t>(request.text.size()));
            outcome.files.push_back({FtpRemotePath(destDir, name), request.text.size()});
        }
        ok &= writer->IsReady();
    }

    // 10. Close (this sends the e-mail).
    if (!ok && target == Target::Email) {
        abandon();
    } else {
        writer->Close();
        ok &= stream->IsGood();
    }
    if (target == Target::File && ok) {
        JStreamFile file(audioName, true);
        outcome.files.front().bytes = file.IsReadable() ? file.GetSize() : 0;
    }
    outcome.ok = ok;
    Log(env, outcome);
    return outcome;
}

PublishOutcome RunImageJob(const std::string& baseName, const std::string& text, PublishEnv& env) {
    PublishOutcome outcome;
    Settings& settings = env.settings;
    JobSettingsGuard guard(settings, env.internet);
    const Target target = settings.SendThrough ? Target::Email : Target::Ftp;
    outcome.target = TargetName(target, settings);
    if (!AskDialog(env, target, true, 0)) return outcome;
    JStreamImageWrite* publisher = env.publishers.Select(target == Target::Email ? 2 : 1, settings,
                                                         env.internet, env.session.mail);
    if (auto* ftp = dynamic_cast<JStreamImageWritePubFTP*>(publisher)) ftp->SetText(text);
    if (auto* mail = dynamic_cast<JStreamImageWritePubEMAIL*>(publisher)) mail->SetText(text);
    env.session.mail.sender = kDefaultSender;
    const ImageList& images = env.session.images;
    if (images.Empty() || images.Total() == 0) return outcome;
    outcome.started = true;
    Ui().ProgressStart("  Publishing image...  ",
                       static_cast<uint32_t>(images.Total() / kPublishChunk));
    const bool keepNames = env.lastState.KeepNames != 0;
    bool ok = true;
    int number = 1;
    for (const ImageEntry& image : images.Entries()) {
        std::string name = ImageFileName(baseName, number, image.path, keepNames);
        if (target == Target::Ftp) name = FtpDestName(settings, name);
        if (number++ == 1)
            publisher->Open(name, baseName);
        else
            publisher->OpenExtraFile(name);
        if (!publisher->IsReady()) {
            ok = false;
            break;
        }
        uint64_t bytes = 0;
        ok &= CopyImage(
            image.path, [&](const uint8_t* d, uint32_t n) { publisher->Write(d, n); },
            [&] { return publisher->IsReady(); }, bytes);
        if (target == Target::Email) outcome.files.push_back({name, bytes});
        if (!ok) break;
    }
    if (!ok && target == Target::Email) {
        publisher->Abandon();
    } else {
        publisher->Close();
        ok &= dynamic_cast<JStream*>(publisher)->IsGood();
    }
    if (auto* ftp = dynamic_cast<JStreamImageWritePubFTP*>(publisher)) {
        for (const auto& [name, bytes] : ftp->Files()) outcome.files.push_back({name, bytes});
    }
    outcome.ok = ok;
    Log(env, outcome);
    return outcome;
}

}  // namespace mora
