#pragma once
// The setup program's FTP test: writes a test file to the configured server, reads it back,
// compares and deletes it, telling each step to a status line. A server whose certificate no
// authority vouches for is shown by its fingerprint with the question "Trust this server?".

#include <cstdint>
#include <functional>
#include <string>

#include "net/ftp_stream.h"
#include "settings/settings.h"

namespace mora {

// Remote name of the test file.
inline constexpr const char* kFtpTestFileName = "Mora.tst";
// Told when a server reached without encryption could have been reached with it.
inline constexpr const char* kOffersEncryption = "This server offers encryption";

using FtpTestStatus = std::function<void(const std::string& text)>;

// The 1024 test bytes: 256 little-endian 32-bit values from 0 to 32767, a different series for
// each `seed`.
void FillFtpTestPattern(uint32_t seed, uint8_t (&pattern)[1024]);

// The step at which a test stopped, and what the server or network said there.
enum class FtpTestStep { kConnect, kOpenForWriting, kWrite, kRead, kCompare };
struct FtpTestFailure {
    FtpTestStep step = FtpTestStep::kConnect;
    InternetError error;
    bool passive = false;
};

// Runs the test with the settings' FTP server, user, password, passive flag and destination
// directory. `seed` chooses the pattern (the caller counts its runs, so that successive tests
// write different data). On success sets FtpTestPassed to 1 and returns true; on failure fills
// `failure` when given.
bool FtpTest(Settings& settings, InternetState& internet, uint32_t seed,
             const FtpTestStatus& status, FtpTestFailure* failure = nullptr);

// What a failed test found, in plain words for the reporter who has to fix the setting.
std::string ExplainFtpTestFailure(const FtpTestFailure& failure);

}  // namespace mora
