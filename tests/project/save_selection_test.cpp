// "Save selection": PCM with a fresh header, MP2 as whole frames, and over the recording itself
// without ever losing it.

#include <sys/stat.h>

#include "project/current_recording.h"
#include "project/editing.h"
#include "project/save_selection.h"
#include "tests/project/project_fixture.h"
#include "tests/support/shell.h"

namespace mora {
namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class SaveSelectionTest : public test::ProjectTest {
  protected:
    // 3 s of 16-bit stereo at 48 kHz: 60 level units of 9600 bytes.
    void OpenStereo() {
        audio = dir.File("Flood00.wav");
        test::WritePcmWav(audio, 48000, 2, 48000 * 3);
        original = test::ReadFileBytes(audio);
        ASSERT_TRUE(OpenClipFile(state, audio));
        ASSERT_EQ(state.edit.rec.levelCount, 60u);
    }
    void Select(uint32_t begin, uint32_t end) {
        state.edit.rec.cropBegin = begin;
        state.edit.rec.cropEnd = end;
    }
    std::string audio;
    std::vector<uint8_t> original;
};

TEST_F(SaveSelectionTest, PcmSelectionGetsACanonicalHeader) {
    OpenStereo();
    Select(10, 50);
    ASSERT_TRUE(SaveSelectionAs(state, dir.File("Sel.wav")));
    const std::vector<uint8_t> saved = test::ReadFileBytes(dir.File("Sel.wav"));
    ASSERT_EQ(saved.size(), 44u + 40 * 9600);
    EXPECT_EQ(U32At(saved, 4), 36u + 40 * 9600);
    EXPECT_EQ(U32At(saved, 28), 192000u);
    EXPECT_EQ(saved[32], 4);
    EXPECT_EQ(U32At(saved, 40), 40u * 9600);
    EXPECT_EQ(test::Slice(saved, 44, 40 * 9600), test::Slice(original, 44 + 10 * 9600, 40 * 9600));
    EXPECT_TRUE(test::FileExists(dir.File("Sel.jvu")));
    EXPECT_EQ(test::ReadFileBytes(audio), original);
    EXPECT_EQ(state.recording.audioPath, audio);

    Select(0, 60);  // the whole recording over itself: nothing to do
    ASSERT_TRUE(SaveSelectionAs(state, audio));
    EXPECT_EQ(test::ReadFileBytes(audio), original);
    Select(20, 20);
    EXPECT_FALSE(SaveSelectionAs(state, dir.File("Empty.wav")));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Nothing selected"});
}

TEST_F(SaveSelectionTest, OverItselfTruncatesOrReplacesAndNeverLosesTheRecording) {
    OpenStereo();
    Select(0, 30);
    ASSERT_TRUE(SaveSelectionAs(state, audio));
    std::vector<uint8_t> now = test::ReadFileBytes(audio);
    ASSERT_EQ(now.size(), 44u + 30 * 9600);
    EXPECT_EQ(U32At(now, 4), now.size() - 8);
    EXPECT_EQ(U32At(now, 40), 30u * 9600);
    EXPECT_EQ(test::Slice(now, 8, 32), test::Slice(original, 8, 32));
    EXPECT_EQ(test::Slice(now, 44, 30 * 9600), test::Slice(original, 44, 30 * 9600));
    EXPECT_EQ(state.edit.rec.levelCount, 30u);

    Select(10, 20);  // through the ".wa2" file
    ASSERT_TRUE(SaveSelectionAs(state, audio));
    now = test::ReadFileBytes(audio);
    EXPECT_EQ(test::Slice(now, 44, 10 * 9600), test::Slice(original, 44 + 10 * 9600, 10 * 9600));
    EXPECT_FALSE(test::FileExists(dir.File("Flood00.wa2")));
    EXPECT_EQ(state.edit.rec.levelCount, 10u);

    // The temporary file cannot be made: the recording stays as it was.
    const std::vector<uint8_t> before = test::ReadFileBytes(audio);
    ASSERT_EQ(::mkdir(dir.File("Flood00.wa2").c_str(), 0755), 0);
    for (uint32_t begin : {0u, 2u}) {
        Select(begin, 5);
        EXPECT_FALSE(SaveSelectionAs(state, audio));
        EXPECT_EQ(test::ReadFileBytes(audio), before);
    }
}

TEST_F(SaveSelectionTest, Mp2SelectionCopiesWholeFrames) {
    state.mp2 = true;
    audio = dir.File("Flood00.mp2");
    ASSERT_TRUE(
        test::RunQuietly("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=3:"
                         "sample_rate=48000 -c:a mp2 -b:a 64k " +
                         test::ShellQuote(audio)));
    original = test::ReadFileBytes(audio);
    ASSERT_TRUE(OpenClipFile(state, audio));
    const uint32_t start = state.reader->DataStart();
    // Units 20 to 40 at 20 a second are frames 41 to 83 of 192 bytes.
    Select(20, 40);
    const std::string sel = dir.File("Sel.mp2");
    ASSERT_TRUE(SaveSelectionAs(state, sel));
    EXPECT_EQ(test::ReadFileBytes(sel), test::Slice(original, start + 41 * 192, 42 * 192));
    EXPECT_EQ(test::CaptureCommand("ffmpeg -v error -xerror -i " + test::ShellQuote(sel) +
                                   " -f null - 2>&1"),
              "");

    Select(0, 30);
    ASSERT_TRUE(SaveSelectionAs(state, audio));
    EXPECT_EQ(test::ReadFileBytes(audio), test::Slice(original, 0, start + 62 * 192));
}

}  // namespace
}  // namespace mora
