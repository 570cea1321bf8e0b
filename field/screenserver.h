#ifndef SCREENSERVER_H
#define SCREENSERVER_H

#include <QObject>
#include <QString>

class QLocalServer;
class QWidget;

// A picture of what the guide shows now, for whoever may connect to a local
// socket in the guide's runtime folder: each connection gets the window,
// grabbed as it is painted, as a PNG, and is closed. Local only: the kiosk's
// sandbox allows no network, and over ssh `quorvel-guide --screenshot FILE`
// on the panel fetches it.
class ScreenServer : public QObject
{
    Q_OBJECT

public:
    // $QUORVEL_GUIDE_SOCKET, else the unit's runtime folder
    // ($RUNTIME_DIRECTORY), else the user's runtime location.
    static QString socketPath();
    // The sockets a client tries: the one above, then the kiosk units'.
    static QStringList clientSocketPaths();

    explicit ScreenServer(QWidget *window, const QString &path = socketPath());
    ~ScreenServer() override;
    bool isListening() const;

    // The client: fetches the PNG into file. 0, or 1 with the reason on stderr.
    static int fetch(const QString &file, const QStringList &paths = clientSocketPaths());

private slots:
    void sltConnection();

private:
    QWidget *window = nullptr;
    QLocalServer *server = nullptr;
};

#endif
