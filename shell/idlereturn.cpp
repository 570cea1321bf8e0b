#include "idlereturn.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>

namespace {

const char Variable[] = "QUORVEL_GUIDE_IDLE_SECONDS";

} // namespace

int IdleReturn::secondsFrom(const QByteArray &value)
{
    if (value.isEmpty())
        return 0;
    // Digits only: no sign, space, fraction or unit slips through toInt().
    if (value.size() > 5)
        return -1;
    for (const char c : value) {
        if (c < '0' || c > '9')
            return -1;
    }
    const int seconds = value.toInt();
    return seconds >= MinSeconds && seconds <= MaxSeconds ? seconds : -1;
}

IdleReturn *IdleReturn::fromEnvironment(QWidget *window)
{
    const QByteArray value = qgetenv(Variable);
    const int seconds = secondsFrom(value);
    if (seconds < 0) {
        const QByteArray message = QByteArray("quorvel-guide: ") + Variable + "=\"" + value
            + "\" is not a whole number of seconds from 10 to 86400: ignored, the guide stays where the visitor "
              "left it\n";
        std::fputs(message.constData(), stderr);
        std::fflush(stderr);
    }
    return seconds > 0 ? new IdleReturn(window, seconds) : nullptr;
}

IdleReturn::IdleReturn(QWidget *window, int seconds)
    : QObject(window),
      window(window),
      idleMs(qint64(seconds) * 1000)
{
    clock.start();
    timer.setSingleShot(true);
    connect(&timer, SIGNAL(timeout()), this, SLOT(sltCheck()));
    qApp->installEventFilter(this);
    noteActivity();
}

IdleReturn::~IdleReturn()
{
    qApp->removeEventFilter(this);
}

void IdleReturn::pageShown(PageId id)
{
    shownPage = id;
    noteActivity();
}

void IdleReturn::setClock(qint64 msecs)
{
    clockSet = true;
    setTime = msecs;
    // A stopped timer has done its work and waits for the next activity.
    if (timer.isActive())
        sltCheck();
}

bool IdleReturn::eventFilter(QObject *watched, QEvent *event)
{
    // What the platform delivers reaches a window (the guide's, or the open
    // list's) first, once: widgets see copies of it, or nothing of a move.
    if (!watched->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        noteActivity();
        break;
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        // A finger held still sends nothing until it lifts: the visitor is
        // there all the same, up to the touch's end.
        touchHeld = event->type() == QEvent::TouchBegin || event->type() == QEvent::TouchUpdate;
        noteActivity();
        break;
    default:
        break;
    }
    return false;
}

void IdleReturn::noteActivity()
{
    // Only the time is noted: the timer, once running, finds out at its end
    // whether it must wait longer, rather than being restarted on every move.
    lastActivity = clockTime();
    if (!timer.isActive())
        timer.start(int(idleMs));
}

void IdleReturn::sltCheck()
{
    if (touchHeld)
        lastActivity = clockTime();
    const qint64 idle = clockTime() - lastActivity;
    if (idle < idleMs) {
        timer.start(int(idleMs - idle));
        return;
    }
    // A list left open would take the next visitor's first touch to close.
    for (QComboBox *list : window->findChildren<QComboBox *>()) {
        if (list->view()->isVisible())
            list->hidePopup();
    }
    if (shownPage != StartPageId && shownPage != HomePageId)
        emit sigOpenWidget(HomePageId);
}
