#include "ui/instance_link.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include "platform/trace.h"

namespace mora {

namespace {
constexpr qint64 kMaxRequestBytes = 64 * 1024;
}  // namespace

QString InstanceSocketPath(const std::string& className) {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) {
        dir = QDir::tempPath() + QStringLiteral("/mora-%1").arg(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return QDir(dir).filePath(QString::fromStdString(className));
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
    if (!server_->listen(path)) {
        // Nobody answered on this name a moment ago, so the socket file is a leftover.
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
