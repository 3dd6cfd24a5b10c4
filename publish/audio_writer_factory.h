#pragma once
// The one current audio writer, created by kind. Asking for the kind that is current keeps the
// writer; any other kind leaves none.

#include <memory>
#include <string>

#include "audio/jstream_audio_write.h"
#include "net/email_stream.h"
#include "net/ftp_stream.h"
#include "settings/settings.h"

namespace mora {

// The writer kinds; the numbers are the program's own.
enum class WriterKind : int {
    None = 0,
    WavRecording = 1,
    Mp2Recording = 2,
    LiveMp2Upload = 3,           // live MP2 upload only
    WavRecordingLiveUpload = 4,  // WAV recording with live MP2 upload
    Mp2RecordingLiveUpload = 5,  // MP2 recording with live MP2 upload
    BwfByFtp = 6,                // Broadcast Wave by FTP
    BwfByEmail = 7,              // Broadcast Wave by e-mail
    BwfFilePcm = 8,              // Broadcast Wave file, PCM
    BwfFileMpeg = 9,             // Broadcast Wave file, MPEG
};

// What writers are made from; everything here must outlive the writer.
struct WriterContext {
    const Settings& settings;
    InternetState& internet;
    const AudioWriteFormat& format;
    std::string projectFolder;  // ends in '/'
    MailValues mail;            // BwfByEmail
    std::string mailBody;       // BwfByEmail: the reporter's text
};

class AudioWriterSlot {
  public:
    // Returns the writer of `kind`, creating it (and destroying the previous one) unless it is
    // already current; nothing for None or a number outside the kinds. MPEG kinds start at the
    // settings' recording bitrate.
    JStreamAudioWrite* Select(WriterKind kind, WriterContext& context);
    JStreamAudioWrite* Current() { return writer_.get(); }
    WriterKind Kind() const { return kind_; }
    void Reset();

  private:
    std::unique_ptr<JStreamAudioWrite> writer_;
    WriterKind kind_ = WriterKind::None;
};

std::unique_ptr<JStreamAudioWrite> CreateAudioWriter(WriterKind kind, WriterContext& context);

}  // namespace mora
