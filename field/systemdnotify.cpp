#include "systemdnotify.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <cstring>

SystemdNotify::SystemdNotify(const QByteArray &socketName, qint64 watchdogUsec)
    : usec(watchdogUsec)
{
#ifdef Q_OS_UNIX
    // A relative path or one too long for sun_path is no socket systemd made.
    const bool abstract = socketName.startsWith('@');
    if (socketName.size() < 2 || (!abstract && !socketName.startsWith('/'))
        || socketName.size() > int(sizeof(sockaddr_un::sun_path)))
        return;
    address = socketName;
    if (abstract)
        address[0] = '\0';
#else
    Q_UNUSED(socketName)
#endif
}

SystemdNotify::~SystemdNotify()
{
#ifdef Q_OS_UNIX
    if (fd >= 0)
        ::close(fd);
#endif
}

SystemdNotify *SystemdNotify::fromEnvironment()
{
    return new SystemdNotify(qgetenv("NOTIFY_SOCKET"), watchdogUsecFrom(qgetenv("WATCHDOG_USEC")));
}

qint64 SystemdNotify::watchdogUsecFrom(const QByteArray &value)
{
    bool ok = false;
    const qint64 usec = value.toLongLong(&ok);
    return ok && usec > 0 ? usec : 0;
}

bool SystemdNotify::send(const QByteArray &state)
{
#ifdef Q_OS_UNIX
    if (!isActive())
        return false;
    // One socket for the process's life: a ping is then one system call.
    if (fd < 0)
        fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un to = {};
    to.sun_family = AF_UNIX;
    std::memcpy(to.sun_path, address.constData(), size_t(address.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(address.size()));
    // Never blocks the GUI thread: a full queue loses one ping, not a frame.
    const ssize_t sent = ::sendto(fd, state.constData(), size_t(state.size()), MSG_NOSIGNAL | MSG_DONTWAIT,
                                  reinterpret_cast<const sockaddr *>(&to), length);
    return sent == state.size();
#else
    Q_UNUSED(state)
    return false;
#endif
}
