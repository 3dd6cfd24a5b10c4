#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "platform/ui_services.h"
#include "settings/settings.h"
#include "stream/jstream_file.h"
#include "stream/replace_file.h"
#include "stream/versioned_io.h"

namespace mora {
namespace {
constexpr char kMagic[4] = {'M', 'S', 'U', 'P'};

template <class Io>
void Band(Io& io, EqBand& band) {
    io.Int(band.Frequency);
    io.Int(band.Gain);
    io.Int(band.Q);
    io.Int(band.Enabled);
}

template <class Io>
void FtpCore(Io& io, FtpProfile& p) {
    io.Str(p.Server);
    io.Str(p.User);
    io.Str(p.Password);
    io.Str(p.DestDir);
    io.Int(p.Passive);
}

// Every field after the version, in file order. One walk serves reading (with the gates) and
// writing (everything), so the two cannot drift apart.
template <class Io>
void Fields(Io& io, Settings& s) {
    io.Int(s.FtpTestStarted);
    io.Int(s.FtpTestPassed);
    io.Str(s.FtpServer);
    io.Str(s.FtpUser);
    io.Str(s.FtpPassword);
    io.Str(s.FtpDestDir);
    io.Int(s.FtpPassive);
    if constexpr (Io::kReading) {
        FtpProfile& p0 = s.FtpProfiles[0];
        p0 = FtpProfile{s.FtpServer,   s.FtpServer,  s.FtpUser,
                        s.FtpPassword, s.FtpDestDir, s.FtpPassive};
        s.EqProfiles[0].Bands = s.EqBands;
        s.EqProfiles[0].EqOn = s.EqOn;
        s.EqProfiles[0].Name = s.EqProfileName;
        for (int i = 1; i < kEqProfileCount; ++i) s.EqProfiles[i].EqOn = 0;
    }
    io.Reserved(8);
    if (io.Pass(1)) io.Int(s.LegacyRecordWav);
    if (io.Pass(2)) io.Str(s.PublishFileExt);
    if constexpr (Io::kReading) {
        if (io.version == 2) s.PublishFileExt = s.LegacyRecordWav ? "wav" : "mp2";
    }
    if (io.Pass(3)) {
        io.Int(s.Unused13);
        io.Int(s.RecordStereo);
        io.Int(s.RecordMp2);
        io.Int(s.Mp2BitrateIndex);
    }
    if (io.Pass(4)) io.Int(s.SendThrough);
    if (io.Pass(5)) io.Str(s.OutboxAccount);
    if (io.Pass(6)) io.Int(s.PdAudioInput);
    if (io.Pass(7)) io.Str(s.NewProjectPath);
    if (io.Pass(8)) io.Str(s.SMTPServer);
    if (io.Pass(9)) {
        io.Int(s.SmtpAuth);
        io.Str(s.SMTPUser);
        io.Str(s.SMTPPassword);
    }
    if (io.Pass(10)) {
        for (auto& p : s.SmtpProfiles) {
            io.Str(p.Server);
            io.Int(p.Auth);
            io.Str(p.User);
            io.Str(p.Password);
        }
    }
    if (io.Pass(11)) {
        for (auto& p : s.SmtpProfiles) {
            io.Str(p.Name);
            io.Str(s.SmtpProfileName);  // written five times; the last one read stays
        }
    }
    if (io.Pass(12)) {
        io.Int(s.ShowMaxTime);
        io.Int(s.ShowBattery);
    }
    if (io.Pass(14)) io.Int(s.EnableImages);
    if (io.Pass(15)) {
        for (auto& band : s.EqBands) Band(io, band);
        io.Int(s.EqOn);
    }
    if (io.Pass(16)) {
        io.Int(s.Phantom);
        io.Int(s.InputSensitivity);
        io.Int(s.Limiter);
    }
    if (io.Pass(17)) io.ReservedStr();
    if (io.Pass(18)) io.Int(s.Agc);
    if (io.Pass(19)) {
        for (auto& text : s.Unused37to39) io.Str(text);
        io.Int(s.Unused40);
        io.Int(s.Unused41);
    }
    if (io.Pass(20)) io.Str(s.Unused42);
    if (io.Pass(21)) io.Str(s.Unused43);
    if (io.Pass(22)) io.Str(s.TemplateText);
    if (io.Pass(23)) io.Int(s.UseTemplateText);
    if (io.Pass(24)) {
        io.Int(s.MicSensitivityCode);
        io.Int(s.MicAgcEnable);
        io.Int(s.HtcGainOverall);
    }
    if (io.Pass(25)) {
        for (int i = 0; i < 5; ++i) FtpCore(io, s.FtpProfiles[i]);
        for (int i = 0; i < 5; ++i) io.Str(s.FtpProfiles[i].Name);
        io.Str(s.FtpProfileName);
    }
    if (io.Pass(26)) {
        for (auto& p : s.EqProfiles) {
            for (auto& band : p.Bands) Band(io, band);
            io.Int(p.EqOn);
            io.Str(p.Name);
        }
        io.Str(s.EqProfileName);
    }
    if (io.Pass(27)) io.Int(s.AllowEqProfileSelection);
    if (io.Pass(28)) {
        io.Int(s.AllowFtpProfileSelection);
        io.Int(s.EqOverallGain);
        for (auto& p : s.EqProfiles) io.Int(p.OverallGain);
    }
    if (io.Pass(29)) io.Int(s.DigitalMicGainControl);
    if (io.Pass(30)) io.Int(s.AutoConnect);
    if (io.Pass(31)) io.Int(s.DetailedClipList);
    if (io.Pass(32)) io.Int(s.StartupProject);
    if (io.Pass(33)) io.Int(s.LiteLayout);
    if (io.Pass(34)) io.Int(s.ResumeSilently);
    if (io.Pass(35)) io.Int(s.ScreenMode);
    if (io.Pass(36)) {
        io.Int(s.MeasuredSampleRate);
        io.Int(s.CompensateInCodecs);
    }
    if (io.Pass(37)) {
        io.Int(s.StereoUnbalanced);
        io.Int(s.MicBias);
    }
    if (io.Pass(38)) io.Int(s.DisableActiveSync);
    if (io.Pass(39)) {
        for (auto& c : s.UmidCountry) io.Int(c);
        for (auto& c : s.UmidOrg) io.Int(c);
        for (auto& c : s.UmidUser) io.Int(c);
    }
    if (io.Pass(40)) io.Int(s.EnableToFile);
    if (io.Pass(41)) io.Int(s.ExitOnClose);
    if (io.Pass(42)) io.Int(s.GetGpsPosition);
    if (io.Pass(43)) io.Int(s.LowMemoryWarning);
    if (io.Pass(44)) io.Int(s.BwfHeader);
    if (io.Pass(45)) {
        io.Int(s.FastPublishFormat);
        io.Int(s.FastPublishBitrateIndex);
    }
    if (io.Pass(46)) io.Reserved(1);
    if (io.Pass(47)) io.Int(s.OutputVolumeControl);
    if (io.Pass(48)) {
        for (int i = 5; i < kFtpProfileCount; ++i) {
            FtpCore(io, s.FtpProfiles[i]);
            io.Str(s.FtpProfiles[i].Name);
        }
    }
    if (io.Pass(49)) io.Reserved(1);
}
}  // namespace

EqBandSet DefaultEqBands() {
    EqBandSet bands{};
    bands[0].Frequency = 5000;
    bands[1].Frequency = 1000;
    bands[2].Frequency = 250;
    return bands;
}

bool ReadSettings(JStream& stream, Settings& settings) {
    char magic[4];
    uint32_t version = 0;
    if (!ReadBytes(stream, magic, 4) || std::memcmp(magic, kMagic, 4) != 0) return false;
    if (!ReadLE(stream, version)) return false;
    settings.version = version;
    FieldReader reader{stream, version};
    Fields(reader, settings);
    return true;
}

void WriteSettings(JStream& stream, const Settings& settings) {
    Settings copy = settings;
    stream.Write(kMagic, 4);
    WriteLE<uint32_t>(stream, kSettingsVersion);
    FieldWriter writer{stream};
    Fields(writer, copy);
}

bool LoadSettings(Settings& settings, const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    JStreamFile file(path, true);
    if (!file.IsReadable()) return false;
    return ReadSettings(file, settings);
}

bool SaveSettings(const Settings& settings, const std::string& path) {
    BusyCursor busy;
    return ReplaceFileSafely(path, /*ownerOnly=*/true,
                             [&](JStream& stream) { WriteSettings(stream, settings); });
}

}  // namespace mora
