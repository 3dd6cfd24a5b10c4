#pragma once
// Certificates for tests of the secure connections, made by the `openssl` command: a
// certificate authority and a server certificate it signed for 127.0.0.1. While a TestTrust
// lives, the authority is the only one the system trusts (SSL_CERT_FILE) and a fresh folder is
// the program folder, so trusted-servers.txt starts empty. A CaptureProxy relays one
// connection to a server and keeps every byte that crossed it.

#include <cstdint>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"

namespace mora::test {

class TestCertificates {
  public:
    // Made once per test program.
    static const TestCertificates& Get();

    const std::string& AuthorityFile() const { return authority_; }
    // The server's certificate and key in one PEM file.
    const std::string& ServerPem() const { return serverPem_; }
    // The server certificate's SHA-256 fingerprint, as "AB:CD:...".
    const std::string& Fingerprint() const { return fingerprint_; }

  private:
    TestCertificates();
    TempDir dir_;
    std::string authority_, serverPem_, fingerprint_;
};

class TestTrust {
  public:
    // `trustAuthority` false: no authority at all is trusted.
    explicit TestTrust(bool trustAuthority = true);
    ~TestTrust();
    TestTrust(const TestTrust&) = delete;
    TestTrust& operator=(const TestTrust&) = delete;

    std::string TrustedServersFile() const;

  private:
    TempDir programDir_;
};

class CaptureProxy {
  public:
    // Relays the first connection to 127.0.0.1:`port` until either side closes.
    explicit CaptureProxy(uint16_t port);
    ~CaptureProxy();
    CaptureProxy(const CaptureProxy&) = delete;
    CaptureProxy& operator=(const CaptureProxy&) = delete;

    uint16_t Port() const { return port_; }
    // Everything both sides sent; call once the connection is over.
    std::string Captured();

  private:
    void Relay(uint16_t target);

    int listener_ = -1;
    uint16_t port_ = 0;
    std::string captured_;
    std::thread thread_;
};

}  // namespace mora::test
