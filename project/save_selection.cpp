#include "project/save_selection.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/recording_reader.h"
#include "platform/program_dir.h"
#include "platform/ui_services.h"
#include "project/current_recording.h"
#include "project/editing.h"
#include "project/project_store.h"
#include "stream/binary_io.h"
#include "stream/jstream_file.h"
#include "stream/report.h"

namespace mora {
namespace {

constexpr uint32_t kCopyChunk = 1 << 16;

// Where the audio of a recording lies and how many bytes make one level unit.
struct SourceLayout {
    bool mp2 = false;
    bool riff = false;
    uint32_t dataStart = 0;
    uint32_t dataSize = 0;
    uint32_t bytesPerUnit = 0;  // PCM
    uint32_t frameLength = 0;   // MP2
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
};

bool ReadLayout(const ProjectState& state, const std::string& path, SourceLayout& layout) {
    EngineFormat format = state.format;
    format.levelShift = state.shift;
    std::unique_ptr<JStreamAudioReadFile> reader;
    if (OpenRecordingReader(path, format, reader, layout.mp2) == 0) return false;
    layout.dataStart = reader->DataStart();
    layout.dataSize = reader->DataSize();
    layout.bytesPerUnit = format.bytesPerUnit;
    if (layout.mp2)
        layout.frameLength = static_cast<JStreamAudioReadMP2File&>(*reader).FrameLength();
    JStreamFile file(path, true);
    if (!file.IsReadable()) return false;
    const RiffLayout riff = WalkRiff(file, file.GetSize());
    layout.riff = riff.isRiff;
    layout.channels = riff.channels;
    layout.sampleRate = riff.sampleRate;
    layout.bitsPerSample = riff.bitsPerSample;
    return layout.bytesPerUnit > 0 && (!layout.mp2 || layout.frameLength > 0);
}

uint32_t Mp2Frame(uint32_t unit, uint32_t shift) {
    return static_cast<uint32_t>(static_cast<uint64_t>(unit) * 125 / (15u << shift));
}

// Copies `count` bytes from `source` at `offset` to `out`; false when the source ran short.
bool CopyBytes(JStreamFile& source, uint32_t offset, uint64_t count, JStream& out) {
    std::vector<uint8_t> buffer(kCopyChunk);
    source.SetPosition(static_cast<int32_t>(offset));
    while (count > 0 && out.IsGood()) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(count, kCopyChunk));
        if (!ReadBytes(source, buffer.data(), n)) return false;
        out.Write(buffer.data(), n);
        count -= n;
    }
    return out.IsGood();
}

std::string WithoutExtension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

// Writes a file through its ".wa2" sibling, which replaces `target` only once it is complete:
// a failure at any step leaves `target` as it was.
bool WriteThroughWa2(const std::string& target, const std::function<bool(JStreamFile&)>& write) {
    const std::string temp = WithoutExtension(target) + ".wa2";
    bool ok = false;
    {
        JStreamFile out(temp, false);
        if (!out.IsWritable()) return false;
        ok = write(out) && out.IsGood() && ::fsync(out.Handle()) == 0;
    }
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
        ReportSystemError("Cannot open file : " + target);
        ok = false;
    }
    if (!ok) std::remove(temp.c_str());
    return ok;
}

void PutLE32(std::vector<uint8_t>& bytes, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutLE16(std::vector<uint8_t>& bytes, uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    bytes.push_back(static_cast<uint8_t>(v >> 8));
}

std::vector<uint8_t> WavHeader(const SourceLayout& layout, uint32_t dataBytes) {
    const auto blockAlign = static_cast<uint16_t>(layout.channels * layout.bitsPerSample / 8);
    std::vector<uint8_t> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    PutLE32(h, dataBytes + 36);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLE32(h, 16);
    PutLE16(h, 1);
    PutLE16(h, layout.channels);
    PutLE32(h, layout.sampleRate);
    PutLE32(h, layout.sampleRate * blockAlign);
    PutLE16(h, blockAlign);
    PutLE16(h, layout.bitsPerSample);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    PutLE32(h, dataBytes);
    return h;
}

}  // namespace

bool CopySelection(ProjectState& state, const std::string& source, const std::string& target) {
    SourceLayout layout;
    if (!ReadLayout(state, source, layout)) return false;
    const RecordingEdit& rec = state.edit.rec;
    return WriteThroughWa2(target, [&](JStreamFile& out) {
        JStreamFile in(source, true);
        if (!in.IsReadable()) return false;
        if (layout.mp2) {
            const uint32_t frames = layout.dataSize / layout.frameLength;
            const uint32_t f0 = std::min(Mp2Frame(rec.cropBegin, state.shift), frames);
            const uint32_t f1 = std::clamp(Mp2Frame(rec.cropEnd, state.shift), f0, frames);
            return CopyBytes(in, layout.dataStart + f0 * layout.frameLength,
                             static_cast<uint64_t>(f1 - f0) * layout.frameLength, out);
        }
        // Only whole level units the data holds.
        const uint32_t units = layout.dataSize / layout.bytesPerUnit;
        const uint32_t begin = std::min(rec.cropBegin, units);
        const uint32_t end = std::clamp(rec.cropEnd, begin, units);
        const uint32_t bytes = (end - begin) * layout.bytesPerUnit;
        const std::vector<uint8_t> header = WavHeader(layout, bytes);
        out.Write(header.data(), static_cast<uint32_t>(header.size()));
        return CopyBytes(in, layout.dataStart + begin * layout.bytesPerUnit, bytes, out);
    });
}

bool TruncateRecording(ProjectState& state) {
    const std::string path = state.recording.audioPath;
    SourceLayout layout;
    if (!ReadLayout(state, path, layout)) return false;
    const RecordingEdit& rec = state.edit.rec;
    uint32_t kept = 0;
    if (layout.mp2) {
        kept = std::min(Mp2Frame(rec.cropEnd, state.shift), layout.dataSize / layout.frameLength) *
               layout.frameLength;
    } else {
        kept = std::min(rec.cropEnd, layout.dataSize / layout.bytesPerUnit) * layout.bytesPerUnit;
    }
    const uint32_t length = layout.dataStart + kept;
    const bool written = WriteThroughWa2(path, [&](JStreamFile& out) {
        JStreamFile in(path, true);
        if (!in.IsReadable() || !CopyBytes(in, 0, length, out)) return false;
        if (layout.riff && layout.dataStart >= 8) {
            out.SetPosition(4);
            WriteLE<uint32_t>(out, length - 8);
            out.SetPosition(static_cast<int32_t>(layout.dataStart - 4));
            WriteLE<uint32_t>(out, kept);
        }
        return out.IsGood();
    });
    return written && SaveSelectionVuFile(rec, WithoutExtension(path));
}

bool SaveSelectionAs(ProjectState& state, const std::string& target) {
    RecordingEdit& rec = state.edit.rec;
    if (rec.cropBegin >= rec.cropEnd) {
        ReportError("Nothing selected");
        return false;
    }
    SaveCurrentVuFile(state);
    BusyCursor busy;
    const std::string audio = state.recording.audioPath;
    if (target != audio) {
        return CopySelection(state, audio, target) &&
               SaveSelectionVuFile(rec, WithoutExtension(target));
    }
    bool ok = true;
    if (rec.cropBegin != 0) {
        ok =
            CopySelection(state, audio, audio) && SaveSelectionVuFile(rec, WithoutExtension(audio));
    } else if (rec.cropEnd >= rec.levelCount) {
        return true;
    } else {
        ok = TruncateRecording(state);
    }
    state.reader.reset();
    OpenCurrentRecording(state);
    state.RefreshScreens();
    return ok;
}

void MenuSaveSelAs(ProjectState& state, const Settings& settings) {
    if (state.activity.Busy()) {
        ReportError("MenuSaveSelAs");
        return;
    }
    const RecordingEdit& rec = state.edit.rec;
    if (rec.cropBegin >= rec.cropEnd) {
        ReportError("Nothing selected");
        return;
    }
    SaveCurrentVuFile(state);
    FileDialogRequest request;
    request.title = "Save Filename";
    if (state.mp2) {
        request.filters = {{"mp2 (*.mp2)", "*.mp2"}};
        request.defaultExtension = "mp2";
    } else {
        request.filters = {{"Wave (*.wav)", "*.wav"}};
        request.defaultExtension = "wav";
    }
    request.startFolder = FolderOf(settings.NewProjectPath) + "None/";
    const std::string& audio = state.recording.audioPath;
    request.proposedName = audio.substr(0, audio.size() >= 4 ? audio.size() - 4 : 0) +
                           (state.mp2 ? "_S.mp2" : "_S.wav");
    request.confirmOverwrite = true;
    const auto path = Ui().SaveFileDialog(request);
    if (path) SaveSelectionAs(state, *path);
}

}  // namespace mora
