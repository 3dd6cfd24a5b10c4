#include <gtest/gtest.h>
#include <sys/stat.h>

#include "settings/settings.h"
#include "settings/settings_fields.h"
#include "stream/jstream_memory.h"
#include "tests/settings/file_builder.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {
using test::FileBuilder;

// "Name=value" for every field, to compare whole records.
std::vector<std::string> Describe(Settings s) {
    std::vector<std::string> out;
    ForEachSettingsField(s, [&](const std::string& name, FieldRef field) {
        std::visit(
            [&](auto* v) {
                if constexpr (std::is_same_v<std::remove_pointer_t<decltype(v)>, std::string>) {
                    out.push_back(name + "=" + *v);
                } else {
                    out.push_back(name + "=" + std::to_string(*v));
                }
            },
            field);
    });
    return out;
}

// Every field set to a value unlike its default.
Settings Distinctive() {
    Settings s;
    int n = 0;
    ForEachSettingsField(s, [&](const std::string& name, FieldRef field) {
        ++n;
        std::visit(
            [&](auto* v) {
                if constexpr (std::is_same_v<std::remove_pointer_t<decltype(v)>, std::string>) {
                    *v = name + " \xE2\x82\xAC";
                } else {
                    *v = static_cast<std::remove_pointer_t<decltype(v)>>(n % 120 + 3);
                }
            },
            field);
    });
    return s;
}

FileBuilder Version2(uint8_t legacyRecordWav) {
    FileBuilder b;
    b.Raw("MSUP").U32(2).U8(1).U8(0).Str("ftp.example.org").Str("anna").Str("secret").Str("/in/");
    b.U8(1).Zeros(8).U8(legacyRecordWav);
    return b;
}

TEST(SettingsFile, RoundTripKeepsEveryFieldIncludingCarriedOnes) {
    test::ScriptedUi ui;
    test::TempDir dir;
    const Settings original = Distinctive();
    ASSERT_TRUE(SaveSettings(original, dir.File("MoraIni.sup")));
    EXPECT_EQ(ui.busyCalls, 2);
    EXPECT_EQ(ui.busyDepth, 0);
    struct stat st {};
    ASSERT_EQ(stat(dir.File("MoraIni.sup").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds passwords

    auto bytes = test::ReadFileBytes(dir.File("MoraIni.sup"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "MSUP2");
    Settings loaded;
    ASSERT_TRUE(LoadSettings(loaded, dir.File("MoraIni.sup")));
    EXPECT_EQ(loaded.version, 50u);
    EXPECT_EQ(Describe(loaded), Describe(original));

    // Reading and writing again gives the same bytes.
    JStreamMemory again;
    WriteSettings(again, loaded);
    EXPECT_EQ(again.Bytes(), bytes);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SettingsFile, Version2ConvertsTheLegacyRecordFormat) {
    for (auto [legacy, ext] : {std::pair<uint8_t, const char*>{1, "wav"}, {0, "mp2"}}) {
        JStreamMemory in(Version2(legacy).bytes);
        Settings s;
        ASSERT_TRUE(ReadSettings(in, s));
        EXPECT_EQ(s.PublishFileExt, ext);
        EXPECT_EQ(s.FtpServer, "ftp.example.org");
        EXPECT_EQ(s.FtpPassive, 1);
        EXPECT_EQ(s.RecordMp2, 1);  // gate 3: default
    }
    // Version 3 takes the stored extension, whatever the legacy flag says.
    FileBuilder v3;
    v3.Raw("MSUP").U32(3).U8(0).U8(0).Str("").Str("").Str("").Str("").U8(0).Zeros(8).U8(0).Str(
        "wav");
    JStreamMemory in(v3.bytes);
    Settings s;
    ASSERT_TRUE(ReadSettings(in, s));
    EXPECT_EQ(s.PublishFileExt, "wav");
}

TEST(SettingsFile, Version25HasProfileZeroFromTheCurrentFieldsAndDefaultsAfterIt) {
    FileBuilder b;
    b.Raw("MSUP").U32(25).U8(1).U8(1).Str("ftp.radio.example").Str("anna").Str("pw").Str("/news/");
    b.U8(1).Zeros(8);
    b.U8(0).Str("mp2");                                           // 11, 12
    b.U8(9).U8(1).U8(0).U8(7);                                    // 13-16
    b.U8(2).Str("Outlook").U8(1).Str("/home/anna/Proj/default");  // 17-20
    b.Str("smtp.example.org").U32(1).Str("anna").Str("mailpw");   // 21-24
    for (int i = 0; i < 5; ++i) b.Str("smtp" + std::to_string(i)).U32(i & 1).Str("u").Str("p");
    for (int i = 0; i < 5; ++i) b.Str("Mail " + std::to_string(i)).Str("Mail 2");  // 26
    b.U32(1).U32(1).U32(0);                                                        // 27-29
    for (int i = 0; i < 3; ++i)
        b.U16(static_cast<uint16_t>(100 + i)).U16(0xFFE2).U16(7).U32(1);  // 30
    b.U32(0);                                                             // 31
    b.U8(3).U8(2).U8(1).Str("reserved").U8(2);                            // 32-36
    b.Str("x").Str("y").Str("z").U32(1234).U8(9).Str("u42").Str("u43");   // 37-43
    b.Str("template.txt").U32(1).U32(12).U32(1).U32(1);                   // 44-48
    JStreamMemory in(b.bytes);
    Settings s;
    ASSERT_TRUE(ReadSettings(in, s));
    EXPECT_FALSE(in.IsAtEnd());  // exactly the fields of version 25 were read
    EXPECT_EQ(in.GetPosition(), in.GetSize());

    EXPECT_EQ(s.FtpProfiles[0].Name, "ftp.radio.example");
    EXPECT_EQ(s.FtpProfiles[0].Server, "ftp.radio.example");
    EXPECT_EQ(s.FtpProfiles[0].User, "anna");
    EXPECT_EQ(s.FtpProfiles[0].Password, "pw");
    EXPECT_EQ(s.FtpProfiles[0].DestDir, "/news/");
    EXPECT_EQ(s.FtpProfiles[0].Passive, 1);
    for (int i = 1; i < kFtpProfileCount; ++i) EXPECT_EQ(s.FtpProfiles[i].Server, "") << i;
    EXPECT_EQ(s.PublishFileExt, "mp2");
    EXPECT_EQ(s.Mp2BitrateIndex, 7);
    EXPECT_EQ(s.OutboxAccount, "Outlook");
    EXPECT_EQ(s.SmtpProfiles[3].Server, "smtp3");
    EXPECT_EQ(s.SmtpProfiles[3].Auth, 1u);
    EXPECT_EQ(s.SmtpProfiles[4].Name, "Mail 4");
    EXPECT_EQ(s.SmtpProfileName, "Mail 2");
    EXPECT_EQ(s.EqBands[2].Frequency, 102);
    EXPECT_EQ(s.EqBands[2].Gain, -30);
    EXPECT_EQ(s.EqOn, 0u);
    EXPECT_EQ(s.Agc, 2);
    EXPECT_EQ(s.Unused40, 1234u);
    EXPECT_EQ(s.HtcGainOverall, 1u);
    // Profile 0 of the EQ takes the bands held before they were read (the defaults here).
    EXPECT_EQ(s.EqProfiles[0].Bands[0].Frequency, 5000);
    EXPECT_EQ(s.EqProfiles[0].Name, "EQ0");
    // Later fields keep their defaults.
    EXPECT_EQ(s.EqProfileName, "EQ0");
    EXPECT_EQ(s.MeasuredSampleRate, 44100u);
    EXPECT_EQ(s.GetGpsPosition, 1);
    EXPECT_EQ(s.LowMemoryWarning, 4194304u);
    EXPECT_EQ(s.BwfHeader, 1);
    EXPECT_EQ(s.FastPublishBitrateIndex, 1);
}

TEST(SettingsFile, OneVersionOlderStillReadsEveryFieldItHas) {
    Settings original = Distinctive();
    JStreamMemory out;
    WriteSettings(out, original);
    auto bytes = out.Bytes();
    bytes[4] = 49;  // version 49 lacks only the last reserved byte
    bytes.pop_back();
    JStreamMemory in(bytes);
    Settings loaded;
    ASSERT_TRUE(ReadSettings(in, loaded));
    EXPECT_FALSE(in.IsAtEnd());
    EXPECT_EQ(loaded.version, 49u);
    EXPECT_EQ(Describe(loaded), Describe(original));
}

TEST(SettingsFile, ShortReadInsideAFieldKeepsItsPreviousContent) {
    FileBuilder b = Version2(1);
    b.bytes.resize(8 + 2 + 4 + 15 * 2 + 2 + 4 + 3);  // ends inside the user name
    JStreamMemory in(b.bytes);
    Settings s;
    s.FtpUser = "before";
    ASSERT_TRUE(ReadSettings(in, s));
    EXPECT_EQ(s.FtpServer, "ftp.example.org");
    EXPECT_EQ(s.FtpUser, "before");
    EXPECT_EQ(s.FtpPassword, "");
    // The legacy flag was never read (default 0), and version 2 always converts it.
    EXPECT_EQ(s.PublishFileExt, "mp2");
}

TEST(SettingsFile, MissingOrForeignFilesFailAndKeepTheRecord) {
    test::ScriptedUi ui;
    test::TempDir dir;
    Settings s;
    s.FtpServer = "kept";
    EXPECT_FALSE(LoadSettings(s, dir.File("MoraIni.sup")));
    test::WriteFileText(dir.File("MoraIni.sup"), "MSUS\x08\0\0\0");
    EXPECT_FALSE(LoadSettings(s, dir.File("MoraIni.sup")));
    test::WriteFileText(dir.File("MoraIni.sup"), "MS");
    EXPECT_FALSE(LoadSettings(s, dir.File("MoraIni.sup")));
    EXPECT_EQ(s.FtpServer, "kept");
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace mora
