#include "audio/recording_reader.h"

#include "stream/binary_io.h"

namespace mora {
namespace {
bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

bool IsMp2Recording(const std::string& path) {
    if (EndsWith(path, ".mp2") || EndsWith(path, ".MP2")) return true;
    JStreamFile file(path, true);
    if (!file.IsReadable()) return false;
    Mp2Header header;
    if (!ReadBytes(file, header.bytes, 4)) return false;
    if (header.IsMpeg1Layer2()) return true;
    return WalkRiff(file, file.GetSize()).formatTag == kWaveFormatMpeg;
}

std::string LevelFilePathOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? path.substr(0, dot) : path) + ".jvu";
}

uint32_t OpenRecordingReader(const std::string& path, EngineFormat& format,
                             std::unique_ptr<JStreamAudioReadFile>& reader, bool& mp2) {
    mp2 = IsMp2Recording(path);
    if (mp2) {
        if (auto header = FirstMp2Header(path)) {
            AdoptBitrate(path, format);
            format.stereo = !header->IsMono();
        }
        reader = std::make_unique<JStreamAudioReadMP2File>(format);
    } else {
        reader = std::make_unique<JStreamAudioReadWavFile>(format);
    }
    const uint32_t length = reader->ReadLength(path);
    reader->SetFileName(path);
    return length;
}

}  // namespace mora
