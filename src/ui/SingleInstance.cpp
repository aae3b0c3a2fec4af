#include "ui/SingleInstance.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QLocalSocket>
#include <QSysInfo>

namespace quorvel::ui {

namespace {
// The message a second start sends; the first instance shows its window when it reads it.
constexpr char kActivate[] = "activate 0x1400\n";
constexpr int kTimeoutMs = 1000;
}  // namespace

QString SingleInstance::socketName(const QString& scope) {
    QByteArray identity = QSysInfo::machineHostName().toUtf8();
    identity += '|' + QByteArray::number(static_cast<qulonglong>(::getuid()));
    identity += '|' + qgetenv("USER");
    identity += '|' + scope.toUtf8();
    const QByteArray digest =
        QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("Quorvel-Utilities-") + QString::fromLatin1(digest);
}

SingleInstance::SingleInstance(QString scope, QObject* parent)
    : QObject(parent), name_(socketName(scope)) {}

bool SingleInstance::signalRunningInstance() const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kTimeoutMs)) return false;
    socket.write(kActivate);
    socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim() {
    if (server_) return true;
    if (signalRunningInstance()) return false;
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        // Nobody answered, so the socket file is a leftover of a process that ended badly.
        QLocalServer::removeServer(name_);
        if (!server->listen(name_)) {
            // Run without the single-instance rule rather than not at all.
            return true;
        }
    }
    connect(server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            auto read = [this, client] {
                if (client->bytesAvailable() <= 0) return;
                const QByteArray message = client->readAll();
                if (message.startsWith("activate")) emit activationRequested();
                client->disconnectFromServer();
            };
            connect(client, &QLocalSocket::readyRead, this, read);
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            read();
        }
    });
    server_ = std::move(server);
    return true;
}

}  // namespace quorvel::ui
