#include "publish/audio_writer_factory.h"

#include "audio/bwf_file_writers.h"
#include "audio/mp2_file_writer.h"
#include "audio/wav_file_writer.h"
#include "publish/bwf_net_writers.h"
#include "publish/live_ftp_writers.h"

namespace mora {

std::unique_ptr<JStreamAudioWrite> CreateAudioWriter(int kind, WriterContext& c) {
    std::unique_ptr<JStreamAudioWrite> writer;
    switch (kind) {
        case 1:
            writer = std::make_unique<JStreamAudioWriteWavFile>(c.format, c.projectFolder);
            break;
        case 2:
            writer = std::make_unique<JStreamAudioWriteMP2File>(c.format, c.projectFolder);
            break;
        case 3:
            writer = std::make_unique<JStreamAudioWriteFTP>(c.settings, c.internet, c.format);
            break;
        case 4:
            writer = std::make_unique<JStreamAudioWriteWavFTP>(c.settings, c.internet, c.format,
                                                               c.projectFolder);
            break;
        case 5:
            writer = std::make_unique<JStreamAudioWriteMP2FTP>(c.settings, c.internet, c.format,
                                                               c.projectFolder);
            break;
        case 6:
            writer = std::make_unique<JStreamAudioWriteBWFFTP>(c.settings, c.internet, c.format);
            break;
        case 7:
            writer = std::make_unique<JStreamAudioWriteBWFEMAIL>(c.settings, c.mail, c.format,
                                                                 c.mailBody);
            break;
        case 8:
            writer = std::make_unique<JStreamAudioWriteBWFWavFile>(c.format, c.projectFolder);
            break;
        case 9:
            writer = std::make_unique<JStreamAudioWriteBWFMP2File>(c.format, c.projectFolder,
                                                                   c.settings.PublishFileExt);
            break;
        default:
            return nullptr;
    }
    if (auto* mp2 = dynamic_cast<JStreamWrMP2*>(writer.get()))
        mp2->SetBitrate(c.settings.Mp2BitrateIndex, c.format.levelValuesPerSecond);
    return writer;
}

JStreamAudioWrite* AudioWriterSlot::Select(int kind, WriterContext& context) {
    if (kind == kind_ && writer_) return writer_.get();
    writer_.reset();
    kind_ = 0;
    writer_ = CreateAudioWriter(kind, context);
    if (writer_) kind_ = kind;
    return writer_.get();
}

void AudioWriterSlot::Reset() {
    writer_.reset();
    kind_ = 0;
}

}  // namespace mora
