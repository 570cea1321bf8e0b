#include "fieldlayer.h"

#include "journal.h"
#include "screenhours.h"
#include "screenschedule.h"
#include "systemdnotify.h"
#include "watchdog.h"

#include "shell/basewidget.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <cstring>

namespace {

const char WaitVariable[] = "QUORVEL_GUIDE_SCREEN_WAIT_SECONDS";

} // namespace

int FieldLayer::answer(int argc, char *argv[])
{
    const int screenshot = FieldWatch::screenshotCommand(argc, argv);
    if (screenshot >= 0)
        return screenshot;
    if (argc != 2 || std::strcmp(argv[1], "--screen-closed-until") != 0)
        return -1;
    const ScreenHours hours = ScreenHours::parse(qgetenv("QUORVEL_GUIDE_SCREEN_HOURS"));
    const QDateTime now = QDateTime::currentDateTime();
    if (!hours.isValid() || hours.isOpen(now))
        return 1;
    // In the form systemd's calendar events take.
    const QByteArray opening = hours.nextChange(now).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
    std::printf("%s\n", opening.constData());
    return 0;
}

int FieldLayer::screenWaitSecondsFrom(const QByteArray &value)
{
    if (value.isEmpty())
        return Watchdog::DefaultScreenWaitSeconds;
    // Digits only: no sign, space or unit slips through toInt().
    for (const char c : value) {
        if (c < '0' || c > '9')
            return -1;
    }
    bool ok = false;
    const int seconds = value.toInt(&ok);
    return ok && seconds >= 5 && seconds <= 3600 ? seconds : -1;
}

FieldLayer::FieldLayer(Basewidget *window)
    : QObject(window),
      watch(window)
{
    const QByteArray wait = qgetenv(WaitVariable);
    int seconds = screenWaitSecondsFrom(wait);
    if (seconds < 0) {
        sayInJournal(QByteArray(WaitVariable) + "=\"" + wait + "\" is not a whole number of seconds from 5 to 3600: "
                     + QByteArray::number(Watchdog::DefaultScreenWaitSeconds) + " it is");
        seconds = Watchdog::DefaultScreenWaitSeconds;
    }
    dog = new Watchdog(window, SystemdNotify::fromEnvironment(), seconds * 1000);
    connect(dog, SIGNAL(sigNoScreen()), this, SLOT(sltNoScreen()));

    hours = ScreenSchedule::fromEnvironment(window);
    if (hours) {
        connect(hours, SIGNAL(sigOpenWidget(int)), window, SLOT(sltOpenWidget(int)));
        if (hours->power() == ScreenSchedule::EndAtClosing)
            connect(hours, SIGNAL(sigClosed(QDateTime)), this, SLOT(sltClosed()));
    }
}

void FieldLayer::sltNoScreen()
{
    // Ended with an error, the unit starts the compositor again: it may find
    // the screen plugged in by then, where waiting on would show nothing.
    sayInJournal("no screen: the window's first frame did not come within the wait (" + QByteArray(WaitVariable)
                 + "); ending, to be started again");
    QCoreApplication::exit(NoScreenStatus);
}

void FieldLayer::sltClosed()
{
    // The kiosk unit sees the hours over before it starts the guide again,
    // powers the console down, and starts the guide at opening.
    QCoreApplication::exit(0);
}
