#include "screenserver.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPixmap>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include <cstdio>

namespace {

const char SocketName[] = "quorvel-guide.screen";

// The PNG file's signature, which the client checks before writing anything.
const char PngSignature[] = "\x89PNG\r\n\x1a\n";

void say(const QString &message)
{
    std::fputs(qPrintable(QStringLiteral("quorvel-guide: %1\n").arg(message)), stderr);
}

} // namespace

QString ScreenServer::socketPath()
{
    QString named = qEnvironmentVariable("QUORVEL_GUIDE_SOCKET");
    if (!named.isEmpty())
        return named;
    QString folder = qEnvironmentVariable("RUNTIME_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(folder).filePath(QLatin1String(SocketName));
}

QStringList ScreenServer::clientSocketPaths()
{
    QStringList paths{socketPath()};
    // Over ssh the runtime folder is the caller's, not the kiosk's.
    for (const char *unit : {"/run/quorvel-guide-kiosk/", "/run/quorvel-guide-x11/"}) {
        const QString path = QLatin1String(unit) + QLatin1String(SocketName);
        if (!paths.contains(path))
            paths << path;
    }
    return paths;
}

ScreenServer::ScreenServer(QWidget *window, const QString &path)
    : QObject(window),
      window(window),
      server(new QLocalServer(this))
{
    // Only the guide's own user (and root) may look.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a guide that ended without closing it.
    QLocalServer::removeServer(path);
    if (!server->listen(path))
        say(QStringLiteral("no picture of the screen on request: %1: %2").arg(path, server->errorString()));
    connect(server, SIGNAL(newConnection()), this, SLOT(sltConnection()));
}

ScreenServer::~ScreenServer()
{
    server->close();
}

bool ScreenServer::isListening() const
{
    return server->isListening();
}

void ScreenServer::sltConnection()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        // As painted, at the screen's own pixels under a scale factor.
        window->grab().toImage().save(&buffer, "PNG");
        connect(socket, SIGNAL(disconnected()), socket, SLOT(deleteLater()));
        socket->write(png);
        socket->disconnectFromServer();
    }
}

int ScreenServer::fetch(const QString &file, const QStringList &paths)
{
    QLocalSocket socket;
    QString tried;
    for (const QString &path : paths) {
        if (!QFileInfo::exists(path))
            continue;
        socket.connectToServer(path, QIODevice::ReadOnly);
        if (socket.waitForConnected(5000))
            break;
        tried += QStringLiteral("; %1: %2").arg(path, socket.errorString());
    }
    if (socket.state() != QLocalSocket::ConnectedState) {
        say(QStringLiteral("no guide to take a picture of (is it running, and are you its user or root?)%1")
                .arg(tried.isEmpty() ? QStringLiteral("; no socket at ") + paths.join(QStringLiteral(", ")) : tried));
        return 1;
    }
    QByteArray png;
    while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(10000))
        png += socket.readAll();
    png += socket.readAll();
    if (!png.startsWith(QByteArray(PngSignature, 8))) {
        say(QStringLiteral("the guide sent no picture"));
        return 1;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(png) != png.size() || !out.commit()) {
        say(QStringLiteral("cannot write %1: %2").arg(file, out.errorString()));
        return 1;
    }
    return 0;
}
