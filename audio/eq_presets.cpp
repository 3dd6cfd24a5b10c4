#include "audio/eq_presets.h"

#include "platform/program_dir.h"
#include "settings/ini_store.h"

namespace mora {

int FindEqPreset(const Settings& settings, const std::string& name) {
    for (int i = 0; i < kEqProfileCount; ++i) {
        const std::string& profile = settings.EqProfiles[i].Name;
        if (profile.empty()) break;
        if (profile == name) return i;
    }
    return -1;
}

void SelectPreset(InputDsp& dsp, Settings& settings, uint32_t recordGain, int index) {
    if (index < 0 || index >= kEqProfileCount) return;
    const EqProfile& preset = settings.EqProfiles[index];
    settings.EqBands = preset.Bands;
    settings.EqOn = preset.EqOn;
    settings.EqOverallGain = preset.OverallGain;
    ComputeAllSections(dsp, settings, recordGain);
}

bool ApplyStartupPreset(InputDsp& dsp, Settings& settings, uint32_t recordGain) {
    int index = FindEqPreset(settings, settings.EqProfileName);
    if (index >= 0) {
        SelectPreset(dsp, settings, recordGain, index);
        return true;
    }
    settings.EqOn = 0;
    ComputeAllSections(dsp, settings, recordGain);
    return false;
}

int ReadHeadsetState() {
    return IniReadInt("Hardware", "Headset", -1, ProgramFile("state.txt"));
}

bool FollowHeadset(InputDsp& dsp, Settings& settings, uint32_t recordGain, int headsetState) {
    const std::string& name = settings.EqProfileName;
    if (name.size() < 5 || headsetState < 0) return false;
    const std::string ending = name.substr(name.size() - 4);
    if (ending != "_ext" && ending != "_int") return false;
    std::string wanted = name.substr(0, name.size() - 4) + (headsetState != 0 ? "_ext" : "_int");
    int index = FindEqPreset(settings, wanted);
    if (index < 0) return false;
    settings.EqProfileName = wanted;
    SelectPreset(dsp, settings, recordGain, index);
    return true;
}

}  // namespace mora
