#pragma once
// The link between running program instances: each program listens on a per-user local socket
// named after its window class ("MoraEdit", "MoraEditSetup"), and a program that starts talks
// to the other instance through it. Requests are single lines: "activate", "close" and
// "open <path>"; the listener answers "ok" once it has handled one.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace mora {

// Whether `path` is a folder (not a link) of this user's that no one else may enter.
bool IsPrivateFolder(const std::string& path);
// Where the sockets live: $XDG_RUNTIME_DIR when set, else $TMPDIR/mora-<uid> when it is a
// private folder (see IsPrivateFolder), else one in the user's ~/.cache.
std::string InstanceSocketFolder();
// The socket path for a window class.
QString InstanceSocketPath(const std::string& className);

enum class InstanceReply { NotRunning, Answered, NoAnswer };

// Sends `request` to a running instance of `className`. With waitForExit, also waits (bounded
// by timeoutMs) until that instance has finished and released the link.
InstanceReply SendInstanceRequest(const std::string& className, const std::string& request,
                                  bool waitForExit = false, int timeoutMs = 10000);

class InstanceServer : public QObject {
  public:
    using Handler = std::function<void(const std::string& request)>;

    explicit InstanceServer(Handler handler);
    ~InstanceServer() override;

    // Claims the name; a socket left behind by an instance that died is replaced. False, with
    // HeldByAnother, when a running instance holds it (busy or not).
    bool Listen(const std::string& className);
    bool HeldByAnother() const { return heldByAnother_; }
    // Releases the name and drops the connections; a peer waiting for this instance to end
    // sees it gone.
    void Close();

  private:
    void OnConnection();
    void OnReadable(QLocalSocket* socket);

    Handler handler_;
    QLocalServer* server_ = nullptr;
    bool heldByAnother_ = false;
};

}  // namespace mora
