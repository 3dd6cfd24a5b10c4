// The level file's readers must survive any bytes. The first byte picks the current
// level-resolution shift, a small or the full level array, and the range the helper reads
// walk; the rest is the file.

#include <cstdint>
#include <vector>

#include "audio/level_file.h"
#include "audio/level_file_reads.h"
#include "stream/jstream_memory.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/support/scripted_ui.h"

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    std::vector<std::vector<uint8_t>> seeds;
    for (uint32_t fileShift : {0u, 2u, 3u}) {
        mora::RecordingEdit edit(64);
        edit.shift = fileShift;
        for (uint32_t i = 0; i < 40; ++i) edit.levels[i] = static_cast<uint8_t>(i * 2);
        edit.levelCount = 40;
        edit.cropBegin = 3;
        edit.cropEnd = 37;
        edit.markers[0] = 5;
        edit.markers[1] = 20;
        edit.markerCount = 2;
        edit.cuts[0] = {8, 12, 0};
        edit.cuts[1] = {12, 15, 0};
        edit.cuts[2] = {30, 50, 0};
        edit.cutCount = 3;
        mora::JStreamMemory out;
        mora::WriteVuFile(out, edit);
        std::vector<uint8_t> seed{static_cast<uint8_t>(fileShift == 3 ? 0x02 : 0x82)};
        seed.insert(seed.end(), out.Bytes().begin(), out.Bytes().end());
        seeds.push_back(seed);
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static mora::test::ScriptedUi ui;
    static mora::RecordingEdit full;
    static mora::RecordingEdit small(50);
    ui.messages.clear();
    const uint8_t control = data[0];
    mora::RecordingEdit& edit = (control & 0x80) ? full : small;
    edit.shift = control & 0x07;

    mora::JStreamMemory stream(data + 1, size - 1);
    mora::VuReadResult read = mora::ReadVuFile(stream, edit);
    if (read.ok && read.fileShift) mora::ConvertVuResolution(edit, *read.fileShift);
    mora::EffectiveLength(edit.cropBegin, edit.cropEnd, edit.cuts.data(), edit.cutCount);
    mora::JStreamMemory written;
    mora::WriteVuFile(written, edit);

    mora::JStreamMemory again(data + 1, size - 1);
    std::vector<uint8_t> levels;
    const uint32_t rangeEnd = (control & 0x40) ? 0 : 1u << ((control >> 3) & 7);
    mora::ReadVuFileData(again, (control & 0x08) ? 1 : 0, rangeEnd, levels);
    return 0;
}
