#include "watchdog.h"

#include "systemdnotify.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

Watchdog::Watchdog(QWidget *window, SystemdNotify *notify, int screenWaitMs)
    : QObject(window),
      window(window),
      notify(notify)
{
    // Every widget's paint passes here: the window's own is skipped where a
    // page covers it.
    qApp->installEventFilter(this);
    const qint64 usec = this->notify->watchdogUsec();
    if (this->notify->isActive() && usec > 0) {
        ticker.setInterval(int(qBound<qint64>(1, usec / 3000, qint64(3600) * 1000)));
        connect(&ticker, SIGNAL(timeout()), this, SLOT(sltTick()));
        ticker.start();
    }
    // Precise: a coarse timer may end the wait up to a twentieth early.
    screenWait.setTimerType(Qt::PreciseTimer);
    screenWait.setSingleShot(true);
    connect(&screenWait, SIGNAL(timeout()), this, SLOT(sltScreenWaitOver()));
    screenWait.start(screenWaitMs);
}

Watchdog::~Watchdog()
{
    qApp->removeEventFilter(this);
}

bool Watchdog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint || !window || !watched->isWidgetType()
        || static_cast<QWidget *>(watched)->window() != window)
        return false;
    if (!painted) {
        // A frame on a screen, not a widget drawn into a picture.
        if (!window->windowHandle() || !window->windowHandle()->isExposed())
            return false;
        painted = true;
        screenWait.stop();
        notify->send("READY=1");
    } else if (pingDue) {
        pingDue = false;
        notify->send("WATCHDOG=1");
    }
    return false;
}

void Watchdog::sltTick()
{
    if (!painted) {
        notify->send("WATCHDOG=1");
        return;
    }
    // One pixel: a page paints its picture's corner, no more.
    pingDue = true;
    ++asked;
    if (window)
        window->update(0, 0, 1, 1);
}

void Watchdog::sltScreenWaitOver()
{
    if (painted)
        return;
    ticker.stop();
    emit sigNoScreen();
}
