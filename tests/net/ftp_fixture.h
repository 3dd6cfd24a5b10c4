#pragma once
// Settings and state for talking to a test FTP server, with a scripted user interface that
// records every message and short time-outs so that a failing test cannot hang.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/ftp_stream.h"
#include "settings/settings.h"
#include "tests/net/ftp_server.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_data.h"

namespace mora::test {

inline Settings FtpSettingsFor(const FtpTestServer& server, bool passive = true) {
    Settings settings;
    settings.FtpServer = server.ServerText();
    settings.FtpUser = FtpTestServer::kUser;
    settings.FtpPassword = FtpTestServer::kPassword;
    settings.FtpPassive = passive ? 1 : 0;
    settings.PublishFileExt = "wav";
    return settings;
}

inline InternetState ShortTimeouts() {
    InternetState internet;
    internet.timeouts.connectMs = 3000;
    internet.timeouts.replyMs = 3000;
    internet.timeouts.dataMs = 3000;
    return internet;
}

}  // namespace mora::test
