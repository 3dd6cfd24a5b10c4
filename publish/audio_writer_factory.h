#pragma once
// The one current audio writer, created by kind:
//   1 WAV recording            4 WAV recording with live MP2 upload   7 Broadcast Wave by e-mail
//   2 MP2 recording            5 MP2 recording with live MP2 upload   8 Broadcast Wave file, PCM
//   3 live MP2 upload only     6 Broadcast Wave by FTP                9 Broadcast Wave file, MPEG
// Asking for the kind that is current keeps the writer; any other number leaves none.

#include <memory>
#include <string>

#include "audio/jstream_audio_write.h"
#include "net/email_stream.h"
#include "net/ftp_stream.h"
#include "settings/settings.h"

namespace mora {

// What writers are made from; everything here must outlive the writer.
struct WriterContext {
    const Settings& settings;
    InternetState& internet;
    const AudioWriteFormat& format;
    std::string projectFolder;  // ends in '/'
    MailValues mail;            // kind 7
    std::string mailBody;       // kind 7: the reporter's text
};

class AudioWriterSlot {
  public:
    // Returns the writer of `kind`, creating it (and destroying the previous one) unless it is
    // already current; nothing for a kind outside 1 to 9. MPEG kinds start at the settings'
    // recording bitrate.
    JStreamAudioWrite* Select(int kind, WriterContext& context);
    JStreamAudioWrite* Current() { return writer_.get(); }
    int Kind() const { return kind_; }
    void Reset();

  private:
    std::unique_ptr<JStreamAudioWrite> writer_;
    int kind_ = 0;
};

std::unique_ptr<JStreamAudioWrite> CreateAudioWriter(int kind, WriterContext& context);

}  // namespace mora
