#include "publish/audio_writer_factory.h"

#include "audio/bwf_file_writers.h"
#include "audio/mp2_file_writer.h"
#include "audio/wav_file_writer.h"
#include "publish/bwf_net_writers.h"
#include "publish/live_ftp_writers.h"

namespace mora {

std::unique_ptr<JStreamAudioWrite> CreateAudioWriter(WriterKind kind, WriterContext& c) {
    std::unique_ptr<JStreamAudioWrite> writer;
    switch (kind) {
        case WriterKind::WavRecording:
            writer = std::make_unique<JStreamAudioWriteWavFile>(c.format, c.projectFolder);
            break;
        case WriterKind::Mp2Recording:
            writer = std::make_unique<JStreamAudioWriteMP2File>(c.format, c.projectFolder);
            break;
        case WriterKind::LiveMp2Upload:
            writer = std::make_unique<JStreamAudioWriteFTP>(c.settings, c.internet, c.format);
            break;
        case WriterKind::WavRecordingLiveUpload:
            writer = std::make_unique<JStreamAudioWriteWavFTP>(c.settings, c.internet, c.format,
                                                               c.projectFolder);
            break;
        case WriterKind::Mp2RecordingLiveUpload:
            writer = std::make_unique<JStreamAudioWriteMP2FTP>(c.settings, c.internet, c.format,
                                                               c.projectFolder);
            break;
        case WriterKind::BwfByFtp:
            writer = std::make_unique<JStreamAudioWriteBWFFTP>(c.settings, c.internet, c.format);
            break;
        case WriterKind::BwfByEmail:
            writer = std::make_unique<JStreamAudioWriteBWFEMAIL>(c.settings, c.mail, c.format,
                                                                 c.mailBody);
            break;
        case WriterKind::BwfFilePcm:
            writer = std::make_unique<JStreamAudioWriteBWFWavFile>(c.format, c.projectFolder);
            break;
        case WriterKind::BwfFileMpeg:
            writer = std::make_unique<JStreamAudioWriteBWFMP2File>(c.format, c.projectFolder,
                                                                   c.settings.PublishFileExt);
            break;
        case WriterKind::None:
            break;
    }
    if (!writer) return nullptr;  // None, or a number outside the kinds
    if (auto* mp2 = dynamic_cast<JStreamWrMP2*>(writer.get()))
        mp2->SetBitrate(c.settings.Mp2BitrateIndex, c.format.levelValuesPerSecond);
    return writer;
}

JStreamAudioWrite* AudioWriterSlot::Select(WriterKind kind, WriterContext& context) {
    if (kind == kind_ && writer_) return writer_.get();
    writer_.reset();
    kind_ = WriterKind::None;
    writer_ = CreateAudioWriter(kind, context);
    if (writer_) kind_ = kind;
    return writer_.get();
}

void AudioWriterSlot::Reset() {
    writer_.reset();
    kind_ = WriterKind::None;
}

}  // namespace mora
