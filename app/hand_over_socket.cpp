#include "app/hand_over_socket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>
#include <atomic>
#include <stdexcept>

#include "platform/peer_credentials.h"
#include "platform/windows1252.h"
#include "util/file_utils.h"

namespace foldant {

namespace {

constexpr qint64 kHeaderSize = 12;
constexpr char kSocketSuffix[] = ".sock";

QString FromAnsi(const std::string& text) {
    return QString::fromStdString(AnsiToUtf8(text));
}

QString NewSocketName() {
    static std::atomic<int> counter{0};
    return QString("%1-%2%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter)
        .arg(QLatin1String(kSocketSuffix));
}

QByteArray EncodeRecord(std::uintptr_t dwData, const std::string& data) {
    QByteArray bytes(kHeaderSize, '\0');
    qToLittleEndian<quint64>(dwData, bytes.data());
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), bytes.data() + 8);
    bytes.append(data.data(), static_cast<qsizetype>(data.size()));
    return bytes;
}

bool ReadAnswer(QLocalSocket& socket, QDeadlineTimer deadline) {
    while (socket.bytesAvailable() < 8) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(deadline.remainingTime())) {
            return false;
        }
    }
    return true;
}

// One window: true when it answered.
bool SendTo(const QString& path, const QByteArray& record, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        if (socket.error() == QLocalSocket::ConnectionRefusedError ||
            socket.error() == QLocalSocket::ServerNotFoundError) {
            QFile::remove(path);
        }
        return false;
    }
    // Only a window of this user's own module may learn the channel name.
    if (!platform::PeerIsTrusted(socket.socketDescriptor(), platform::TrustedPeer::ThisUser)) {
        socket.abort();
        return false;
    }
    socket.write(record);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(deadline.remainingTime())) {
            return false;
        }
    }
    bool answered = ReadAnswer(socket, deadline);
    socket.disconnectFromServer();
    return answered;
}

}  // namespace

QString HandOverFolder(const std::string& className) {
    return FromAnsi(WithTrailingDelimiter(GetTempFolder(className)));
}

THandOverListener::THandOverListener(const std::string& className, TReceiver receiver)
    : server_(std::make_unique<QLocalServer>()), receiver_(std::move(receiver)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QString path = HandOverFolder(className) + NewSocketName();
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        throw std::runtime_error("hand-over socket " + path.toStdString() + ": " +
                                 server_->errorString().toStdString());
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { Accept(); });
}

THandOverListener::~THandOverListener() {
    server_->close();
}

QString THandOverListener::SocketPath() const {
    return server_->fullServerName();
}

void THandOverListener::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // Another user of the machine must not switch this module to a channel of their choice.
        if (!platform::PeerIsTrusted(socket->socketDescriptor(), platform::TrustedPeer::ThisUser)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket] { Serve(*socket); });
        // A sender that never completes its record is dropped.
        QTimer::singleShot(kHandOverTimeoutMs, socket, [socket] { socket->abort(); });
        Serve(*socket);
    }
}

void THandOverListener::Serve(QLocalSocket& socket) {
    if (socket.bytesAvailable() < kHeaderSize) {
        return;
    }
    QByteArray header = socket.peek(kHeaderSize);
    auto dwData = qFromLittleEndian<quint64>(header.constData());
    auto cbData = qFromLittleEndian<quint32>(header.constData() + 8);
    if (cbData > kMaxHandOverRecord) {
        socket.abort();
        return;
    }
    if (socket.bytesAvailable() < kHeaderSize + cbData) {
        return;
    }
    socket.read(kHeaderSize);
    QByteArray data = socket.read(cbData);
    platform::TCopyDataStruct record;
    record.dwData = static_cast<std::uintptr_t>(dwData);
    record.cbData = cbData;
    record.lpData = data.constData();
    std::intptr_t result = receiver_ ? receiver_(record) : 0;
    QByteArray answer(8, '\0');
    qToLittleEndian<qint64>(result, answer.data());
    socket.write(answer);
    socket.flush();
}

int SendHandOverRecord(const std::string& className, std::uintptr_t dwData, const std::string& data,
                       int timeoutMs) {
    QDir folder(HandOverFolder(className));
    QStringList sockets = folder.entryList({QString("*") + kSocketSuffix},
                                           QDir::System | QDir::Files | QDir::Hidden, QDir::Name);
    QByteArray record = EncodeRecord(dwData, data);
    int answered = 0;
    for (const QString& name : sockets) {
        if (SendTo(folder.filePath(name), record, timeoutMs)) {
            ++answered;
        }
    }
    return answered;
}

}  // namespace foldant
