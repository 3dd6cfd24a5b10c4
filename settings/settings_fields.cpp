#include "settings/settings_fields.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace mora {
namespace {
std::string Indexed(const std::string& table, size_t i, const std::string& field = "") {
    std::string name = table + "[" + std::to_string(i) + "]";
    return field.empty() ? name : name + "." + field;
}

void Bands(const std::string& prefix, EqBandSet& bands, const FieldVisitor& visit) {
    for (size_t i = 0; i < bands.size(); ++i) {
        visit(Indexed(prefix, i, "Frequency"), &bands[i].Frequency);
        visit(Indexed(prefix, i, "Gain"), &bands[i].Gain);
        visit(Indexed(prefix, i, "Q"), &bands[i].Q);
        visit(Indexed(prefix, i, "Enabled"), &bands[i].Enabled);
    }
}

template <typename T>
bool ParseInt(const std::string& text, T* target, std::string& error, const std::string& name) {
    const long long lo = std::numeric_limits<T>::min();
    const long long hi = std::numeric_limits<T>::max();
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < lo || v > hi) {
        error = "Bad value for " + name + ": \"" + text + "\" (a whole number from " +
                std::to_string(lo) + " to " + std::to_string(hi) + " is needed)";
        return false;
    }
    *target = static_cast<T>(v);
    return true;
}
}  // namespace

void ForEachSettingsField(Settings& s, const FieldVisitor& visit) {
    visit("FtpTestStarted", &s.FtpTestStarted);
    visit("FtpTestPassed", &s.FtpTestPassed);
    visit("FtpServer", &s.FtpServer);
    visit("FtpUser", &s.FtpUser);
    visit("FtpPassword", &s.FtpPassword);
    visit("FtpDestDir", &s.FtpDestDir);
    visit("FtpPassive", &s.FtpPassive);
    visit("LegacyRecordWav", &s.LegacyRecordWav);
    visit("PublishFileExt", &s.PublishFileExt);
    visit("Unused13", &s.Unused13);
    visit("RecordStereo", &s.RecordStereo);
    visit("RecordMp2", &s.RecordMp2);
    visit("Mp2BitrateIndex", &s.Mp2BitrateIndex);
    visit("SendThrough", &s.SendThrough);
    visit("OutboxAccount", &s.OutboxAccount);
    visit("PdAudioInput", &s.PdAudioInput);
    visit("NewProjectPath", &s.NewProjectPath);
    visit("SMTPServer", &s.SMTPServer);
    visit("SmtpAuth", &s.SmtpAuth);
    visit("SMTPUser", &s.SMTPUser);
    visit("SMTPPassword", &s.SMTPPassword);
    for (size_t i = 0; i < s.SmtpProfiles.size(); ++i) {
        SmtpProfile& p = s.SmtpProfiles[i];
        visit(Indexed("SmtpProfiles", i, "Name"), &p.Name);
        visit(Indexed("SmtpProfiles", i, "Server"), &p.Server);
        visit(Indexed("SmtpProfiles", i, "Auth"), &p.Auth);
        visit(Indexed("SmtpProfiles", i, "User"), &p.User);
        visit(Indexed("SmtpProfiles", i, "Password"), &p.Password);
    }
    visit("SmtpProfileName", &s.SmtpProfileName);
    visit("ShowMaxTime", &s.ShowMaxTime);
    visit("ShowBattery", &s.ShowBattery);
    visit("EnableImages", &s.EnableImages);
    Bands("EqBands", s.EqBands, visit);
    visit("EqOn", &s.EqOn);
    visit("Phantom", &s.Phantom);
    visit("InputSensitivity", &s.InputSensitivity);
    visit("Limiter", &s.Limiter);
    visit("Agc", &s.Agc);
    visit("Unused37", &s.Unused37to39[0]);
    visit("Unused38", &s.Unused37to39[1]);
    visit("Unused39", &s.Unused37to39[2]);
    visit("Unused40", &s.Unused40);
    visit("Unused41", &s.Unused41);
    visit("Unused42", &s.Unused42);
    visit("Unused43", &s.Unused43);
    visit("TemplateText", &s.TemplateText);
    visit("UseTemplateText", &s.UseTemplateText);
    visit("MicSensitivityCode", &s.MicSensitivityCode);
    visit("MicAgcEnable", &s.MicAgcEnable);
    visit("HtcGainOverall", &s.HtcGainOverall);
    for (size_t i = 0; i < s.FtpProfiles.size(); ++i) {
        FtpProfile& p = s.FtpProfiles[i];
        visit(Indexed("FtpProfiles", i, "Name"), &p.Name);
        visit(Indexed("FtpProfiles", i, "Server"), &p.Server);
        visit(Indexed("FtpProfiles", i, "User"), &p.User);
        visit(Indexed("FtpProfiles", i, "Password"), &p.Password);
        visit(Indexed("FtpProfiles", i, "DestDir"), &p.DestDir);
        visit(Indexed("FtpProfiles", i, "Passive"), &p.Passive);
    }
    visit("FtpProfileName", &s.FtpProfileName);
    for (size_t i = 0; i < s.EqProfiles.size(); ++i) {
        EqProfile& p = s.EqProfiles[i];
        visit(Indexed("EqProfiles", i, "Name"), &p.Name);
        visit(Indexed("EqProfiles", i, "EqOn"), &p.EqOn);
        visit(Indexed("EqProfiles", i, "OverallGain"), &p.OverallGain);
        Bands(Indexed("EqProfiles", i, "Bands"), p.Bands, visit);
    }
    visit("EqProfileName", &s.EqProfileName);
    visit("AllowEqProfileSelection", &s.AllowEqProfileSelection);
    visit("AllowFtpProfileSelection", &s.AllowFtpProfileSelection);
    visit("EqOverallGain", &s.EqOverallGain);
    visit("DigitalMicGainControl", &s.DigitalMicGainControl);
    visit("AutoConnect", &s.AutoConnect);
    visit("DetailedClipList", &s.DetailedClipList);
    visit("StartupProject", &s.StartupProject);
    visit("LiteLayout", &s.LiteLayout);
    visit("ResumeSilently", &s.ResumeSilently);
    visit("ScreenMode", &s.ScreenMode);
    visit("MeasuredSampleRate", &s.MeasuredSampleRate);
    visit("CompensateInCodecs", &s.CompensateInCodecs);
    visit("StereoUnbalanced", &s.StereoUnbalanced);
    visit("MicBias", &s.MicBias);
    visit("DisableActiveSync", &s.DisableActiveSync);
    for (size_t i = 0; i < 4; ++i) visit(Indexed("UmidCountry", i), &s.UmidCountry[i]);
    for (size_t i = 0; i < 4; ++i) visit(Indexed("UmidOrg", i), &s.UmidOrg[i]);
    for (size_t i = 0; i < 4; ++i) visit(Indexed("UmidUser", i), &s.UmidUser[i]);
    visit("EnableToFile", &s.EnableToFile);
    visit("ExitOnClose", &s.ExitOnClose);
    visit("GetGpsPosition", &s.GetGpsPosition);
    visit("LowMemoryWarning", &s.LowMemoryWarning);
    visit("BwfHeader", &s.BwfHeader);
    visit("FastPublishFormat", &s.FastPublishFormat);
    visit("FastPublishBitrateIndex", &s.FastPublishBitrateIndex);
    visit("OutputVolumeControl", &s.OutputVolumeControl);
}

void ForEachLastStateField(LastState& s, const FieldVisitor& visit) {
    visit("InterfaceGain", &s.InterfaceGain);
    visit("InterfaceVolume", &s.InterfaceVolume);
    visit("RecordGain", &s.RecordGain);
    visit("LastImageFolder", &s.LastImageFolder);
    visit("LastProjectFolder", &s.LastProjectFolder);
    visit("LastProjectName", &s.LastProjectName);
    visit("KeepNames", &s.KeepNames);
    visit("PlayVolume", &s.PlayVolume);
    visit("FtpProfileName", &s.FtpProfileName);
    visit("EqProfileName", &s.EqProfileName);
}

bool SetSettingsField(Settings& settings, const std::string& name, const std::string& value,
                      std::string& error) {
    bool found = false;
    bool ok = false;
    ForEachSettingsField(settings, [&](const std::string& fieldName, FieldRef field) {
        if (found || fieldName != name) return;
        found = true;
        ok = std::visit(
            [&](auto* target) {
                using T = std::remove_pointer_t<decltype(target)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    *target = value;
                    return true;
                } else {
                    return ParseInt(value, target, error, name);
                }
            },
            field);
    });
    if (!found) error = "Unknown setting: " + name;
    return found && ok;
}

}  // namespace mora
