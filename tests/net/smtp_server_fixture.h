#pragma once
// Starts tests/net/smtp_server.py (a real SMTP server on 127.0.0.1, on a free port) for one test
// and stops it again; reads back what it delivered, as parsed by Python's email package.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/test_data.h"

namespace mora::test {

struct DeliveredPart {
    std::string contentType;
    std::string filename;  // empty when the part names none
    std::vector<uint8_t> bytes;
    std::vector<std::string> defects;
};

struct DeliveredMail {
    std::string mailFrom;
    std::vector<std::string> rcptTos;
    std::string from, to, subject, boundary;
    bool multipart = false;
    std::vector<std::string> defects;
    std::vector<DeliveredPart> parts;  // the leaves of the MIME tree, in order
    std::vector<uint8_t> raw;          // the data as received
};

class SmtpTestServer {
  public:
    // `options` go to the script (see its description); throws when it does not start.
    explicit SmtpTestServer(const std::vector<std::string>& options = {});
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    uint16_t Port() const { return port_; }
    // "127.0.0.1:port", as a server setting.
    std::string Address() const;
    std::vector<DeliveredMail> Mails() const;

  private:
    void Stop();

    TempDir maildir_;
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    uint16_t port_ = 0;
};

// A port on 127.0.0.1 where nothing listens (just released).
uint16_t UnusedPort();

}  // namespace mora::test
