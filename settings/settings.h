#pragma once
// The settings record (MoraIni.sup) and the last-run state (MoraSet.sup).
//
// MoraIni.sup is a versioned little-endian file: magic "MSUP", a u32 version, then the fields in
// a fixed order, each read only when the file's version passes the field's gate, so older files
// stay readable. The writer always writes every field in the newest version. Fields the programs
// never use are still carried, so a read-modify-write keeps the file as it was.

#include <array>
#include <cstdint>
#include <string>

#include "stream/jstream.h"

namespace mora {

constexpr uint32_t kSettingsVersion = 50;
constexpr uint32_t kLastStateVersion = 8;
constexpr int kFtpProfileCount = 25;
constexpr int kSmtpProfileCount = 5;
constexpr int kEqProfileCount = 5;
constexpr int kEqBandCount = 3;  // High, Mid, Low

struct EqBand {
    uint16_t Frequency = 0;  // Hz
    int16_t Gain = 0;        // 0.1 dB
    uint16_t Q = 20;         // 0.1
    uint32_t Enabled = 0;
};

using EqBandSet = std::array<EqBand, kEqBandCount>;

// High 5000 Hz, Mid 1000 Hz, Low 250 Hz, flat, Q 2.0, off.
EqBandSet DefaultEqBands();

struct FtpProfile {
    std::string Name;
    std::string Server;
    std::string User;
    std::string Password;
    std::string DestDir;
    uint8_t Passive = 0;
};

struct SmtpProfile {
    std::string Name;
    std::string Server;
    uint32_t Auth = 0;
    std::string User;
    std::string Password;
};

struct EqProfile {
    std::string Name;
    EqBandSet Bands{};
    uint32_t EqOn = 0;
    int16_t OverallGain = 0;
};

struct Settings {
    uint32_t version = kSettingsVersion;  // of the file last read
    uint8_t FtpTestStarted = 0;
    uint8_t FtpTestPassed = 0;
    std::string FtpServer;
    std::string FtpUser;
    std::string FtpPassword;
    std::string FtpDestDir;
    uint8_t FtpPassive = 0;
    uint8_t LegacyRecordWav = 0;
    std::string PublishFileExt = "wav";
    uint8_t Unused13 = 0;
    uint8_t RecordStereo = 0;
    uint8_t RecordMp2 = 1;
    uint8_t Mp2BitrateIndex = 3;
    uint8_t SendThrough = 0;
    std::string OutboxAccount = "ActiveSync";
    uint8_t PdAudioInput = 0;
    std::string NewProjectPath;
    std::string SMTPServer;
    uint32_t SmtpAuth = 0;
    std::string SMTPUser;
    std::string SMTPPassword;
    std::string SmtpProfileName;
    uint32_t ShowMaxTime = 0;
    uint32_t ShowBattery = 0;
    uint32_t EnableImages = 1;
    EqBandSet EqBands = DefaultEqBands();
    uint32_t EqOn = 1;
    uint8_t Phantom = 0;
    uint8_t InputSensitivity = 1;
    uint8_t Limiter = 0;
    uint8_t Agc = 0;
    std::array<std::string, 3> Unused37to39;
    uint32_t Unused40 = 8000;
    uint8_t Unused41 = 2;
    std::string Unused42;
    std::string Unused43;
    std::string TemplateText;
    uint32_t UseTemplateText = 0;
    uint32_t MicSensitivityCode = 1;
    uint32_t MicAgcEnable = 0;
    uint32_t HtcGainOverall = 0;
    std::string FtpProfileName;
    std::string EqProfileName = "EQ0";
    uint8_t AllowEqProfileSelection = 0;
    uint8_t AllowFtpProfileSelection = 0;
    int16_t EqOverallGain = 0;
    uint32_t DigitalMicGainControl = 0;
    uint8_t AutoConnect = 0;
    uint8_t DetailedClipList = 0;
    uint32_t StartupProject = 0;
    uint8_t LiteLayout = 0;
    uint8_t ResumeSilently = 0;
    uint32_t ScreenMode = 0;
    uint32_t MeasuredSampleRate = 44100;
    uint8_t CompensateInCodecs = 0;
    uint8_t StereoUnbalanced = 0;
    uint8_t MicBias = 0;
    uint8_t DisableActiveSync = 0;
    std::array<uint8_t, 4> UmidCountry{};
    std::array<uint8_t, 4> UmidOrg{};
    std::array<uint8_t, 4> UmidUser{};
    uint8_t EnableToFile = 0;
    uint8_t ExitOnClose = 0;
    uint8_t GetGpsPosition = 1;
    uint32_t LowMemoryWarning = 4194304;
    uint8_t BwfHeader = 1;
    uint8_t FastPublishFormat = 0;
    uint8_t FastPublishBitrateIndex = 1;
    uint32_t OutputVolumeControl = 0;

    std::array<FtpProfile, kFtpProfileCount> FtpProfiles{};
    std::array<SmtpProfile, kSmtpProfileCount> SmtpProfiles{};
    std::array<EqProfile, kEqProfileCount> EqProfiles{};
};

// The state of the last run (MoraSet.sup).
struct LastState {
    uint32_t version = kLastStateVersion;  // of the file last read
    uint8_t InterfaceGain = 126;
    uint8_t InterfaceVolume = 127;
    uint32_t RecordGain = 0;
    std::string LastImageFolder;
    std::string LastProjectFolder;  // of the project open at the end of the last run
    std::string LastProjectName;
    uint8_t KeepNames = 0;
    uint32_t PlayVolume = 20;
    // The profile names as the file holds them; the settings take them over by the rules of
    // LoadLastState, and saving writes the settings' names.
    std::string FtpProfileName;
    std::string EqProfileName;
};

// Reads MoraIni.sup; false when the file is missing, cannot be opened or has a wrong magic
// (the record then keeps what it held). Short reads leave the remaining fields as they were.
bool LoadSettings(Settings& settings, const std::string& path);
bool ReadSettings(JStream& stream, Settings& settings);
// Writes every field in the newest version, readable by the owner only (it holds passwords).
// False when the file could not be written (the stream has reported why).
bool SaveSettings(const Settings& settings, const std::string& path);
void WriteSettings(JStream& stream, const Settings& settings);

// Reads MoraSet.sup; a missing file or wrong magic is ignored silently (false). The FTP profile
// name is taken over only from files of version 2 and 3; the EQ profile name only when the
// settings allow choosing an EQ profile.
bool LoadLastState(LastState& state, Settings& settings, const std::string& path);
bool ReadLastState(JStream& stream, LastState& state, Settings& settings);
// Writes the newest version; the project open now is written as the last project.
bool SaveLastState(const LastState& state, const Settings& settings,
                   const std::string& projectFolder, const std::string& projectName,
                   const std::string& path);
void WriteLastState(JStream& stream, const LastState& state, const Settings& settings,
                    const std::string& projectFolder, const std::string& projectName);

}  // namespace mora
