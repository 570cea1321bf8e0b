#ifndef SYSTEMDNOTIFY_H
#define SYSTEMDNOTIFY_H

#include <QByteArray>

// systemd's notify protocol, spoken directly: one datagram a state to the
// socket that $NOTIFY_SOCKET names, a path or, from '@' on, an abstract name.
// The guide runs as the compositor's child, so $WATCHDOG_PID names the
// compositor: the watchdog's period is read without it.
class SystemdNotify
{
public:
    SystemdNotify() = default;
    explicit SystemdNotify(const QByteArray &socketName, qint64 watchdogUsec = 0);
    ~SystemdNotify();
    SystemdNotify(const SystemdNotify &) = delete;
    SystemdNotify &operator=(const SystemdNotify &) = delete;

    // From $NOTIFY_SOCKET and $WATCHDOG_USEC.
    static SystemdNotify *fromEnvironment();
    // The microseconds of a $WATCHDOG_USEC value: 0 for none, or none good.
    static qint64 watchdogUsecFrom(const QByteArray &value);

    bool isActive() const { return !address.isEmpty(); }
    qint64 watchdogUsec() const { return usec; }

    // True once the datagram was sent whole.
    bool send(const QByteArray &state);

private:
    QByteArray address; // sockaddr_un's sun_path, the abstract name's 0 first
    qint64 usec = 0;
    int fd = -1;
};

#endif
