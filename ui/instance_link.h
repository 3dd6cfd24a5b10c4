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

// The socket path for a window class: in $XDG_RUNTIME_DIR when set, else in a folder of the
// user's own under the temporary folder.
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

    // Claims the name; a socket left behind by an instance that died is replaced.
    bool Listen(const std::string& className);
    // Releases the name and drops the connections; a peer waiting for this instance to end
    // sees it gone.
    void Close();

  private:
    void OnConnection();
    void OnReadable(QLocalSocket* socket);

    Handler handler_;
    QLocalServer* server_ = nullptr;
};

}  // namespace mora
