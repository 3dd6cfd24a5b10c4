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

// Bytes that differ from position to position and from `seed` to `seed`.
inline std::vector<uint8_t> TestBytes(size_t size, uint32_t seed = 1) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

}  // namespace mora::test
