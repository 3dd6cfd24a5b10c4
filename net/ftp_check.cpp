#include "net/ftp_check.h"

#include <cstring>

#include "platform/ui_services.h"
#include "stream/report.h"

namespace mora {

void FillFtpTestPattern(uint32_t seed, uint8_t (&pattern)[1024]) {
    // The classic C library generator, kept here so that the series does not depend on the
    // library in use.
    uint32_t next = seed;
    for (int i = 0; i < 256; ++i) {
        next = next * 1103515245u + 12345u;
        const uint32_t value = (next / 65536u) % 32768u;
        for (int b = 0; b < 4; ++b) pattern[i * 4 + b] = static_cast<uint8_t>(value >> (8 * b));
    }
}

bool FtpTest(Settings& settings, InternetState& internet, uint32_t seed,
             const FtpTestStatus& status, FtpTestFailure* failure) {
    FtpTestFailure ignored;
    FtpTestFailure& found = failure ? *failure : ignored;
    found.passive = settings.FtpPassive != 0;
    uint8_t written[1024];
    FillFtpTestPattern(seed, written);
    status("Connecting...");

    FtpConnection connection(internet);
    // The one place that asks the user about a certificate no authority vouches for.
    TlsTrust trust = internet.trust;
    trust.askUser = true;
    connection.Connect("MoraSetup", settings.FtpServer, settings.FtpUser, settings.FtpPassword,
                       settings.FtpPassive != 0, &trust);
    auto stopped = [&](FtpTestStep step) {
        found.step = step;
        found.error = connection.LastError();
    };
    if (!connection.IsConnected()) {
        stopped(FtpTestStep::kConnect);
        status("Not Connected.");
        return false;
    }
    status("Connected.");
    if (!connection.Client().Secure() && connection.Client().OffersTls()) {
        status(kOffersEncryption);
    }
    const std::string path = FtpRemotePath(settings.FtpDestDir, kFtpTestFileName);
    connection.DeleteFile(path);  // an absent file is fine

    // The stream closes the file and the connection however the test ends.
    JStreamFTP stream(settings, internet);
    stream.UseConnection(connection);

    status("File deleted.\r\nOpening file for writing...\r\nTesting...Please wait.");
    stream.OpenFile(path, false);
    if (!stream.IsWritable()) {
        stopped(FtpTestStep::kOpenForWriting);
        status("File open error.");
        return false;
    }
    status("File opened for writing.");
    stream.Write(written, sizeof written);
    if (stream.IsWritable()) stream.CloseFile();
    if (!stream.IsGood()) {
        stopped(FtpTestStep::kWrite);
        status("FTP Write File Error.");
        Ui().MessageBox("FTP Write Test", "FTP Write File Error", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    status("File written.");
    status("File closed.\r\nOpening file for reading...\r\nTesting...Please wait.");

    uint8_t read[1024];
    std::memset(read, 0, sizeof read);
    stream.OpenFile(path, true);
    if (stream.IsReadable()) stream.Read(read, sizeof read);
    if (!stream.IsReadable()) {
        stopped(FtpTestStep::kRead);
        status("FTP Read File Error.");
        Ui().MessageBox("FTP Read Test", "FTP Read File Error", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    status("File read.");
    stream.CloseFile();
    status("File closed.");
    if (std::memcmp(read, written, sizeof read) != 0) {
        stopped(FtpTestStep::kCompare);
        status("FTP Read File Error.");
        ReportError("FTP Read Error");
        return false;
    }
    connection.DeleteFile(path);
    status("FTP Read and Write File OK");
    Ui().MessageBox("FTP Read and Write Test", "FTP Read and Write File OK.", MsgIcon::Information,
                    MsgButtons::Ok);
    settings.FtpTestPassed = 1;
    return true;
}

std::string ExplainFtpTestFailure(const FtpTestFailure& failure) {
    const InternetError& e = failure.error;
    const std::string reply =
        e.replyCode ? " (the server said " + std::to_string(e.replyCode) + ")" : "";
    const bool dataBlocked =
        e.code == kNetCannotConnect || e.code == kNetTimeout || e.replyCode == 425;
    const std::string dataText =
        failure.passive
            ? "The passive data connection was blocked (a firewall?): try with Passive off."
            : "The server could not connect back for the data: switch Passive on.";
    switch (failure.step) {
        case FtpTestStep::kConnect:
            if (e.code == kNetIncorrectPassword || e.code == kNetIncorrectUser)
                return "The server refused the user name or password.";
            if (e.code == kNetNameNotResolved)
                return "The server name is not known: check its spelling.";
            if (e.code == kNetCannotConnect)
                return "The server refused the connection or cannot be reached: check the "
                       "server name and port.";
            if (e.code == kNetTimeout) return "The server did not answer in time.";
            if (e.code == 0) return "No FTP server is set.";
            return "The server did not let us log in" + reply + ".";
        case FtpTestStep::kOpenForWriting:
            if (e.replyCode >= 450 && e.replyCode != 451 && e.replyCode != 425)
                return "The directory is not writable for this user" + reply +
                       ": check Dest. Dir. and the account's rights.";
            if (dataBlocked) return dataText;
            return "The server refused the upload" + reply + ".";
        case FtpTestStep::kWrite:
            if (dataBlocked) return dataText;
            return "The server broke off the upload" + reply + " (disk full or a size limit?).";
        case FtpTestStep::kRead:
            if (dataBlocked) return dataText;
            return "The server did not give the file back" + reply + ".";
        case FtpTestStep::kCompare:
            return "The server gave back other bytes than were written.";
    }
    return {};
}

}  // namespace mora
