#include <sys/stat.h>

#include <cstring>

#include "platform/ui_services.h"
#include "settings/settings.h"
#include "stream/jstream_file.h"
#include "stream/replace_file.h"
#include "stream/versioned_io.h"

namespace mora {
namespace {
constexpr char kMagic[4] = {'M', 'S', 'U', 'S'};

// The file's fields after the version. `ftpName` and `eqName` stand for fields 5 and 6, whose
// values are taken over by the caller's rules.
template <class Io>
void Fields(Io& io, LastState& s, std::string& ftpName, std::string& eqName) {
    if (io.Pass(0)) {
        io.Int(s.InterfaceGain);
        io.Int(s.InterfaceVolume);
    }
    if (io.Pass(1)) io.Str(ftpName);
    if (io.Pass(2)) io.Str(eqName);
    if (io.Pass(3)) io.Int(s.RecordGain);
    if (io.Pass(4)) io.Str(s.LastImageFolder);
    if (io.Pass(5)) {
        io.Str(s.LastProjectFolder);
        io.Str(s.LastProjectName);
    }
    if (io.Pass(6)) io.Int(s.KeepNames);
    if (io.Pass(7)) io.Int(s.PlayVolume);
}
}  // namespace

bool ReadLastState(JStream& stream, LastState& state, Settings& settings) {
    char magic[4];
    uint32_t version = 0;
    if (!ReadBytes(stream, magic, 4) || std::memcmp(magic, kMagic, 4) != 0) return false;
    if (!ReadLE(stream, version)) return false;
    state.version = version;
    std::string ftpName = settings.FtpProfileName;
    std::string eqName = settings.EqProfileName;
    FieldReader reader{stream, version};
    Fields(reader, state, ftpName, eqName);
    state.FtpProfileName = ftpName;
    state.EqProfileName = eqName;
    if (version == 2 || version == 3) settings.FtpProfileName = ftpName;
    if (settings.AllowEqProfileSelection) settings.EqProfileName = eqName;
    return true;
}

void WriteLastState(JStream& stream, const LastState& state, const Settings& settings,
                    const std::string& projectFolder, const std::string& projectName) {
    LastState copy = state;
    copy.LastProjectFolder = projectFolder;
    copy.LastProjectName = projectName;
    std::string ftpName = settings.FtpProfileName;
    std::string eqName = settings.EqProfileName;
    stream.Write(kMagic, 4);
    WriteLE<uint32_t>(stream, kLastStateVersion);
    FieldWriter writer{stream};
    Fields(writer, copy, ftpName, eqName);
}

bool LoadLastState(LastState& state, Settings& settings, const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    JStreamFile file(path, true);
    if (!file.IsReadable()) return false;
    return ReadLastState(file, state, settings);
}

bool SaveLastState(const LastState& state, const Settings& settings,
                   const std::string& projectFolder, const std::string& projectName,
                   const std::string& path) {
    BusyCursor busy;
    return ReplaceFileSafely(path, /*ownerOnly=*/false, [&](JStream& stream) {
        WriteLastState(stream, state, settings, projectFolder, projectName);
    });
}

}  // namespace mora
