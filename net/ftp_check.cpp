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
             const FtpTestStatus& status) {
    uint8_t written[1024];
    FillFtpTestPattern(seed, written);
    status("Connecting...");

    FtpConnection connection(internet);
    // The one place that asks the user about a certificate no authority vouches for.
    TlsTrust trust = internet.trust;
    trust.askUser = true;
    connection.Connect("MoraSetup", settings.FtpServer, settings.FtpUser, settings.FtpPassword,
                       settings.FtpPassive != 0, &trust);
    if (!connection.IsConnected()) {
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
        status("File open error.");
        return false;
    }
    status("File opened for writing.");
    stream.Write(written, sizeof written);
    if (stream.IsWritable()) stream.CloseFile();
    if (!stream.IsGood()) {
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
        status("FTP Read File Error.");
        Ui().MessageBox("FTP Read Test", "FTP Read File Error", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    status("File read.");
    stream.CloseFile();
    status("File closed.");
    if (std::memcmp(read, written, sizeof read) != 0) {
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

}  // namespace mora
