// The readers of MoraIni.sup and MoraSet.sup must survive any bytes: the first byte chooses the
// reader, the rest is the file.

#include <cstdint>
#include <vector>

#include "settings/settings.h"
#include "stream/jstream_memory.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/support/scripted_ui.h"

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    mora::Settings settings;
    settings.FtpServer = "ftp.example.org:2121";
    settings.FtpProfiles[7].Name = "Seven";
    settings.TemplateText = "Text \xc3\xa4";
    mora::JStreamMemory ini;
    mora::WriteSettings(ini, settings);
    mora::JStreamMemory last;
    mora::WriteLastState(last, mora::LastState{}, settings, "/projects/", "Interview");
    std::vector<uint8_t> a{0}, b{1};
    a.insert(a.end(), ini.Bytes().begin(), ini.Bytes().end());
    b.insert(b.end(), last.Bytes().begin(), last.Bytes().end());
    return {a, b};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static mora::test::ScriptedUi ui;
    ui.messages.clear();
    mora::JStreamMemory stream(data + 1, size - 1);
    mora::Settings settings;
    if (data[0] & 1) {
        mora::LastState state;
        mora::ReadLastState(stream, state, settings);
    } else {
        mora::ReadSettings(stream, settings);
    }
    return 0;
}
