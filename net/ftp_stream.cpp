#include "net/ftp_stream.h"

#include <cstring>

#include "platform/trace.h"
#include "platform/ui_services.h"
#include "stream/report.h"

namespace mora {
namespace {
constexpr size_t kMaxReplyText = 799;
}  // namespace

std::string InternetErrorMessage(const std::string& operation, const InternetError& error) {
    if (error.code == kNetExtendedError) {
        return operation + " " + std::to_string(error.replyCode) + " " +
               error.replyText.substr(0, kMaxReplyText);
    }
    if (error.code == 0) return operation;
    return SystemErrorMessage(operation, error.code);
}

void ReportInternetError(const InternetState& internet, const std::string& operation,
                         const InternetError& error) {
    Trace("Internet error\t%s\t%d\t%d", operation.c_str(), error.code, error.replyCode);
    if (internet.quietPublishing) return;
    Ui().MessageBox("Error", InternetErrorMessage(operation, error), MsgIcon::Error,
                    MsgButtons::Ok);
}

FtpServerAddress ParseFtpServer(const std::string& server) {
    FtpServerAddress result;
    result.host = server;
    // A bracketed IPv6 address, with or without a port.
    if (!server.empty() && server[0] == '[') {
        size_t close = server.find(']');
        if (close != std::string::npos) {
            result.host = server.substr(1, close - 1);
            if (close + 1 < server.size() && server[close + 1] == ':') {
                const std::string digits = server.substr(close + 2);
                unsigned long port = std::strtoul(digits.c_str(), nullptr, 10);
                if (port > 65535) result.portValid = false;
                if (port != 0) result.port = static_cast<uint16_t>(port);
            }
            return result;
        }
    }
    // A bare IPv6 address has several colons and no port.
    size_t colon = server.rfind(':');
    if (colon == std::string::npos || colon == 0 || server.find(':') != colon) return result;
    result.host = server.substr(0, colon);
    // The digits after the colon; none, or 0, mean the default port.
    unsigned long port = 0;
    for (size_t i = colon + 1; i < server.size() && server[i] >= '0' && server[i] <= '9'; ++i) {
        port = port * 10 + static_cast<unsigned long>(server[i] - '0');
        if (port > 65535) break;
    }
    if (port > 65535) result.portValid = false;
    if (port != 0 && port <= 65535) result.port = static_cast<uint16_t>(port);
    return result;
}

std::string FtpRemotePath(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

// FtpConnection

void FtpConnection::Connect(const std::string& agent, const std::string& server,
                            const std::string& user, const std::string& password, bool passive) {
    fileOpen = false;
    Close();
    agent_ = agent;
    ownError_ = 0;
    client_.timeouts = internet_.timeouts;
    if (server.empty()) return;
    const FtpServerAddress address = ParseFtpServer(server);
    if (!address.portValid) {
        ownError_ = kNetCannotConnect;
        Report("InternetConnect");
        return;
    }
    Trace("%s connecting to %s port %u", agent.c_str(), address.host.c_str(), address.port);
    if (!client_.Connect(address.host, address.port, user, password, passive)) {
        Report("InternetConnect");
    }
}

void FtpConnection::Close() {
    fileOpen = false;
    client_.Close();
}

bool FtpConnection::DeleteFile(const std::string& path) {
    const char* refusal = nullptr;
    if (!IsConnected()) {
        refusal = "FTP DeleteFile not connected";
    } else if (fileOpen) {
        refusal = "FTP DeleteFile busy";
    } else if (path.empty()) {
        refusal = "FTP DeleteFile no filename";
    }
    if (refusal) {
        ReportInternetError(internet_, refusal, InternetError{});
        return false;
    }
    return client_.Delete(path);
}

InternetError FtpConnection::LastError() const {
    InternetError error;
    error.code = ownError_ ? ownError_ : client_.LastError();
    error.replyCode = client_.LastReply().code;
    error.replyText = client_.LastReply().text;
    return error;
}

void FtpConnection::Report(const std::string& operation) const {
    ReportInternetError(internet_, operation, LastError());
}

// JStreamFTP

void JStreamFTP::Report(const std::string& operation) {
    if (connection_) {
        connection_->Report(operation);
    } else {
        ReportInternetError(internet_, operation, InternetError{kNetCannotConnect, 0, {}});
    }
}

void JStreamFTP::UseConnection(FtpConnection& connection) {
    Close();
    connection_ = &connection;
    ownsConnection_ = false;
}

void JStreamFTP::ConnectWithSettings() {
    Close();
    connection_ = new FtpConnection(internet_);
    ownsConnection_ = true;
    connection_->Connect("Mora", settings_.FtpServer, settings_.FtpUser, settings_.FtpPassword,
                         settings_.FtpPassive != 0);
}

void JStreamFTP::OpenFile(const std::string& path, bool readMode) {
    if (fileHandle_) CloseFile();
    if (readMode) {
        state |= JStream::readMode;
    } else {
        state &= ~JStream::readMode;
    }
    if (!connection_ || !connection_->IsConnected()) {
        state &= ~good;
        Report("InternetConnect");
        return;
    }
    if (!connection_->Client().OpenTransfer(path, !readMode)) {
        state &= ~good;
        if (!readMode) Report("FtpOpenFile");
        return;
    }
    fileHandle_ = true;
    connection_->fileOpen = true;
    state |= good | open;
}

int32_t JStreamFTP::Read(void* buffer, uint32_t count) {
    if (!IsReadable()) return 0;
    char* p = static_cast<char*>(buffer);
    uint32_t got = 0;
    FtpClient& client = connection_->Client();
    while (got < count) {
        long n = client.ReadData(p + got, count - got);
        if (n <= 0) break;
        got += static_cast<uint32_t>(n);
    }
    if (got == count) return static_cast<int32_t>(count);
    std::memset(buffer, 0, count);
    state &= ~good;
    Report("InternetReadFile");
    return 0;
}

int32_t JStreamFTP::Write(const void* buffer, uint32_t count) {
    if (!IsWritable()) return 0;
    if (connection_->Client().WriteData(buffer, count)) return static_cast<int32_t>(count);
    state &= ~good;
    Report("InternetWriteFile");
    return 0;
}

void JStreamFTP::CloseFile() {
    if (fileHandle_ && connection_) {
        const bool confirmed = connection_->Client().FinishTransfer();
        // An upload counts only when the server confirms it; a refusal after a failed write
        // was already reported.
        if (!confirmed && !(state & JStream::readMode) && (state & good)) {
            state &= ~good;
            Report("InternetWriteFile");
        }
        connection_->fileOpen = false;
    }
    fileHandle_ = false;
    state &= ~open;
}

void JStreamFTP::Close() {
    CloseFile();
    if (!connection_) return;
    connection_->Close();
    if (ownsConnection_) {
        delete connection_;
        connection_ = nullptr;
        ownsConnection_ = false;
    }
}

int JStreamFTP::Rest(uint64_t offset) {
    if (!connection_ || !connection_->IsConnected() || connection_->fileOpen) return 1;
    if (!connection_->Client().Rest(offset)) {
        Trace("REST refused");
        return 1;
    }
    Trace("REST Ok");
    return 0;
}

// JStreamWrFTP

std::string JStreamWrFTP::RemotePath(const std::string& name) const {
    return FtpRemotePath(settings_.FtpDestDir, name + "." + settings_.PublishFileExt);
}

bool JStreamWrFTP::EnsureConnection() {
    if (!Connection() || !Connection()->IsConnected()) ConnectWithSettings();
    if (Connection() && Connection()->IsConnected()) return true;
    Trace("JStreamWrFTP InternetConnect");
    return false;
}

void JStreamWrFTP::OpenTarget(const std::string& name) {
    if (IsReady()) return;
    if (!EnsureConnection()) return;
    OpenFile(RemotePath(name), false);
}

ResumeResult JStreamWrFTP::OpenTargetAt(const std::string& name, uint64_t offset) {
    if (IsReady()) return ResumeResult::Resumed;
    if (!EnsureConnection()) return ResumeResult::NoConnection;
    if (Rest(offset) != 0) return ResumeResult::Refused;
    OpenFile(RemotePath(name), false);
    return ResumeResult::Resumed;
}

}  // namespace mora
