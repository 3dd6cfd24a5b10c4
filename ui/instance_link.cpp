#include "ui/instance_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdlib>

#include "platform/trace.h"

namespace mora {

namespace {
constexpr qint64 kMaxRequestBytes = 64 * 1024;
}  // namespace

bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

namespace {
// `path` made if missing and then checked: a folder someone else made or opened up (a link to
// theirs, mode 0777) would let them remove or stand in for our socket.
bool PrivateFolderAt(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    return IsPrivateFolder(path);
}
}  // namespace

std::string InstanceSocketFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && IsPrivateFolder(runtime)) return runtime;
    const char* tmp = std::getenv("TMPDIR");
    const std::string uid = std::to_string(::getuid());
    std::string base = tmp && *tmp ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const std::string shared = base + "/mora-" + uid;
    if (PrivateFolderAt(shared)) return shared;
    Trace("instance link: %s is not private to this user; not using it", shared.c_str());
    if (const char* home = std::getenv("HOME"); home && *home) {
        const std::string cache = std::string(home) + "/.cache";
        ::mkdir(cache.c_str(), 0700);
        if (PrivateFolderAt(cache + "/mora-" + uid)) return cache + "/mora-" + uid;
    }
    // The last resort is private but new each run, so instances no longer find each other.
    std::string fresh = "/tmp/mora-" + uid + "-XXXXXX";
    if (::mkdtemp(fresh.data())) return fresh;
    return shared;
}

QString InstanceSocketPath(const std::string& className) {
    return QDir(QString::fromStdString(InstanceSocketFolder()))
        .filePath(QString::fromStdString(className));
}

InstanceReply SendInstanceRequest(const std::string& className, const std::string& request,
                                  bool waitForExit, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketPath(className));
    if (!socket.waitForConnected(1000)) return InstanceReply::NotRunning;
    socket.write(QByteArray::fromStdString(request + "\n"));
    socket.flush();
    QElapsedTimer clock;
    clock.start();
    while (!socket.canReadLine()) {
        const int left = timeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || socket.state() != QLocalSocket::ConnectedState ||
            !socket.waitForReadyRead(left)) {
            if (!socket.canReadLine()) {
                Trace("instance link: no answer from %s to \"%s\"", className.c_str(),
                      request.c_str());
                return InstanceReply::NoAnswer;
            }
        }
    }
    socket.readLine();
    if (waitForExit && socket.state() == QLocalSocket::ConnectedState) {
        const int left = std::max(1, timeoutMs - static_cast<int>(clock.elapsed()));
        if (!socket.waitForDisconnected(left)) {
            Trace("instance link: %s did not end in time", className.c_str());
        }
    }
    return InstanceReply::Answered;
}

InstanceServer::InstanceServer(Handler handler) : handler_(std::move(handler)) {}

InstanceServer::~InstanceServer() {
    Close();
}

bool InstanceServer::Listen(const std::string& className) {
    Close();
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = InstanceSocketPath(className);
    // An instance that takes connections holds the name even when it is too busy to answer (an
    // FTP upload): its socket stays, and this instance must not run beside it. Asked before
    // listening, because listening puts the new socket in place of any file of that name.
    QLocalSocket probe;
    probe.connectToServer(path);
    heldByAnother_ = probe.waitForConnected(1000);
    probe.abort();
    if (heldByAnother_) {
        Trace("instance link: %s is held by a running instance", path.toUtf8().constData());
        return false;
    }
    if (!server_->listen(path)) {
        // Nobody listens on this name, so the socket file is a leftover.
        QLocalServer::removeServer(path);
        if (!server_->listen(path)) {
            Trace("instance link: cannot listen on %s: %s", path.toUtf8().constData(),
                  server_->errorString().toUtf8().constData());
            return false;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::OnConnection);
    return true;
}

void InstanceServer::Close() {
    if (!server_) return;
    // The name goes first: a peer waiting for this instance to end claims it as soon as its
    // connection drops, and closing the server afterwards would remove the peer's socket.
    server_->close();
    for (QLocalSocket* socket : server_->findChildren<QLocalSocket*>()) {
        socket->disconnect(this);
        socket->abort();
    }
    // Close may run inside a socket's signal, so the objects go later.
    server_->deleteLater();
    server_ = nullptr;
}

void InstanceServer::OnConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->canReadLine()) OnReadable(socket);
    }
}

void InstanceServer::OnReadable(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(kMaxRequestBytes);
        if (!line.endsWith('\n')) {
            socket->abort();
            return;
        }
        const std::string request = line.trimmed().toStdString();
        Trace("instance link: request \"%s\"", request.c_str());
        // Answer first: handling "close" may end this instance, and the peer waits for the
        // answer before it waits for the end.
        socket->write("ok\n");
        socket->flush();
        handler_(request);
        if (!server_) return;  // the handler closed the link
    }
    // A request is one short line; a peer that sends a longer one is dropped.
    if (socket->bytesAvailable() >= kMaxRequestBytes) socket->abort();
}

}  // namespace mora
