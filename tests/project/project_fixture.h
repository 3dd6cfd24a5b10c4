#pragma once
// A project in a fresh folder with recordings written by the test, and the scripted user
// interface that answers its dialogs.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "project/project_state.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora::test {

// A 16-bit PCM WAV whose sample bytes count up, so every copied range can be checked.
void WritePcmWav(const std::string& path, uint32_t rate, uint16_t channels, uint32_t frames);
// The bytes of a file from `offset` on, `count` of them.
std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t offset, size_t count);

class ProjectTest : public ::testing::Test {
  protected:
    ProjectTest();
    // Recording `number` of the project: `seconds` of mono 44.1 kHz audio.
    std::string Record(int number, uint32_t seconds = 3);
    // Records and appends recording `number` to the list as the recorder does.
    void RecordAndAppend(int number, uint32_t seconds = 3);

    TempDir dir;
    ScriptedUi ui;
    ProjectState state;
};

}  // namespace mora::test
