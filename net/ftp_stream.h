#pragma once
// FTP transfer through the JStream interface: a connection made from the settings (or shared
// with the caller), one remote file at a time opened for binary upload or download, resuming
// an upload at a byte offset, and the reporter of Internet errors.

#include <cstdint>
#include <string>

#include "net/ftp_client.h"
#include "settings/settings.h"
#include "stream/jstream.h"

namespace mora {

// Program-wide state of the Internet layer; one per program, owned by its top level.
struct InternetState {
    // When set, Internet errors show no message. An audio publishing job sets it from
    // ResumeSilently when it starts and turns it on when it ends.
    bool quietPublishing = false;
    FtpTimeouts timeouts;
};

// What went wrong last on a connection: a network error code (0: none) and the server's last
// reply.
struct InternetError {
    int code = 0;
    int replyCode = 0;
    std::string replyText;
};

// Shows `operation` with the error, unless the quiet-publishing flag is on. When the server gave
// an unexpected reply, the box says "operation code text".
void ReportInternetError(const InternetState& internet, const std::string& operation,
                         const InternetError& error);
// The message ReportInternetError shows.
std::string InternetErrorMessage(const std::string& operation, const InternetError& error);

// Host and port of a server text "host" or "host:port" (port 21 unless given).
struct FtpServerAddress {
    std::string host;
    uint16_t port = 21;
    bool portValid = true;
};
FtpServerAddress ParseFtpServer(const std::string& server);

// `dir`, a "/" unless it is empty or already ends in one, then `name`.
std::string FtpRemotePath(const std::string& dir, const std::string& name);

class FtpConnection {
  public:
    explicit FtpConnection(InternetState& internet) : internet_(internet) {}
    ~FtpConnection() { Close(); }
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // Logs in to `server` ("host" or "host:port"). An empty server text leaves the connection
    // closed without a message; any other failure is reported as "InternetConnect".
    void Connect(const std::string& agent, const std::string& server, const std::string& user,
                 const std::string& password, bool passive);
    bool IsConnected() const { return client_.IsConnected(); }
    void Close();

    // Deletes a remote file; false when it was not deleted (an absent file included). Only a
    // missing connection, a busy one and an empty name are reported.
    bool DeleteFile(const std::string& path);

    InternetError LastError() const;
    void Report(const std::string& operation) const;

    FtpClient& Client() { return client_; }
    InternetState& Internet() { return internet_; }
    const std::string& Agent() const { return agent_; }

    bool fileOpen = false;  // a remote file is open on this connection

  private:
    InternetState& internet_;
    FtpClient client_;
    std::string agent_;
    int ownError_ = 0;  // a failure found before the client was asked
};

class JStreamFTP : public JStream {
  public:
    JStreamFTP(const Settings& settings, InternetState& internet)
        : settings_(settings), internet_(internet) {}
    ~JStreamFTP() override { Close(); }

    // Works on `connection` (owned by the caller) from now on.
    void UseConnection(FtpConnection& connection);
    // Closes whatever was open and connects with the settings' FTP server, user, password and
    // passive flag on a connection of its own.
    void ConnectWithSettings();
    void OpenFile(const std::string& path, bool readMode);
    // Delivers exactly `count` bytes (returns `count`), or zeros, clears good and returns 0.
    int32_t Read(void* buffer, uint32_t count) override;
    // Sends all `count` bytes (returns `count`), or clears good and returns 0.
    int32_t Write(const void* buffer, uint32_t count) override;
    // Ends the transfer; an upload that the server does not confirm clears good and is
    // reported.
    void CloseFile();
    void Close();
    // REST offset before the file is opened for writing: 0 done, 1 refused or not connected.
    int Rest(uint64_t offset);

    FtpConnection* Connection() { return connection_; }
    bool OwnsConnection() const { return ownsConnection_; }

  protected:
    const Settings& settings_;
    InternetState& internet_;

  private:
    void Report(const std::string& operation);

    FtpConnection* connection_ = nullptr;
    bool ownsConnection_ = false;
    bool fileHandle_ = false;
};

// The transport of the FTP publishing writers.
class JStreamWrFTP : public JStreamFTP {
  public:
    using JStreamFTP::JStreamFTP;

    // Opens `name` + "." + PublishFileExt in FtpDestDir for writing, connecting when needed.
    void OpenTarget(const std::string& name);
    // The same, continuing the file at `offset` (Resumed also when it is already open).
    ResumeResult OpenTargetAt(const std::string& name, uint64_t offset);
    std::string RemotePath(const std::string& name) const;

  private:
    bool EnsureConnection();
};

}  // namespace mora
