#include "quitonsignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifndef Q_OS_WIN
int pipeEnds[2] = {-1, -1};

void handler(int)
{
    const char byte = 1;
    // Nothing to do when the pipe is full: a quit is already on its way.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
}
#endif

} // namespace

QuitOnSignal::QuitOnSignal(QObject *parent)
    : QObject(parent)
{
#ifndef Q_OS_WIN
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier, SIGNAL(activated(int)), this, SLOT(sltSignal()));
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // A second signal, while the first waits for a busy event loop, ends the
    // process as it would have without this.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
#endif
}

QuitOnSignal::~QuitOnSignal()
{
#ifndef Q_OS_WIN
    if (!notifier)
        return;
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
#endif
}

void QuitOnSignal::sltSignal()
{
#ifndef Q_OS_WIN
    char byte;
    [[maybe_unused]] const ssize_t read = ::read(pipeEnds[1], &byte, 1);
#endif
    QCoreApplication::quit();
}
