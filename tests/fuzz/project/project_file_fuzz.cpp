// The project file reader must survive any bytes; what it accepts is written back and must read
// again to the same contents.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "project/project_file.h"
#include "stream/jstream_memory.h"
#include "tests/fuzz/fuzz_seeds.h"

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    std::vector<std::vector<uint8_t>> seeds;
    mora::ProjectFileData data;
    data.bitrateIndex = 7;
    data.stereo = true;
    data.mp2 = true;
    data.recordingNumber = 4;
    data.clips = {{"Flood00", "/news/", 0, 0, 0, ""}, {"Flood03", "/news/", 20, 80, 2, "Mayor"}};
    data.text = "Water rose overnight.";
    data.includeImages = 1;
    data.lastImagePath = "/pictures/bridge.jpg";
    data.lastImageFile = "bridge.jpg";
    data.shift = 2;
    data.reserved = mora::ProjectReserved{1, 0.5, -2.0, 3.25, 9};
    data.selectedClip = 1;
    mora::JStreamMemory out;
    mora::WriteProjectFile(out, data);
    seeds.push_back(out.Bytes());
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mora::JStreamMemory stream(data, size);
    mora::ProjectFileData read;
    if (mora::ReadProjectFile(stream, read) != mora::ProjectFileStatus::Ok) return 0;
    mora::JStreamMemory written;
    mora::WriteProjectFile(written, read);
    mora::JStreamMemory again(written.Bytes());
    mora::ProjectFileData reread;
    if (mora::ReadProjectFile(again, reread) != mora::ProjectFileStatus::Ok ||
        reread.clips.size() != read.clips.size() || reread.text != read.text) {
        std::abort();
    }
    return 0;
}
