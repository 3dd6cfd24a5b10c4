#include "tests/project/project_fixture.h"

#include "project/clip_list.h"
#include "project/project_store.h"

namespace mora::test {
namespace {
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
}  // namespace

void WritePcmWav(const std::string& path, uint32_t rate, uint16_t channels, uint32_t frames) {
    const uint32_t data = frames * channels * 2;
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    Put32(b, data + 36);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * channels * 2);
    Put16(b, static_cast<uint16_t>(channels * 2));
    Put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, data);
    for (uint32_t i = 0; i < data; ++i) b.push_back(static_cast<uint8_t>(i * 7 + i / 251));
    WriteFileBytes(path, b);
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t offset, size_t count) {
    if (offset >= bytes.size()) return {};
    count = std::min(count, bytes.size() - offset);
    return {bytes.begin() + offset, bytes.begin() + offset + count};
}

ProjectTest::ProjectTest() {
    state.folder = dir.Path();
    state.name = "Flood";
    state.mp2 = false;
}

std::string ProjectTest::Record(int number, uint32_t seconds) {
    const std::string path = RecordingBase(state, number) + ".wav";
    WritePcmWav(path, 44100, 1, 44100 * seconds);
    return path;
}

void ProjectTest::RecordAndAppend(int number, uint32_t seconds) {
    Record(number, seconds);
    state.recordingNumber = number;
    AppendRecording(state);
    SaveProject(state);
}

}  // namespace mora::test
