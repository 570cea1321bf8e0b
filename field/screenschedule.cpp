#include "screenschedule.h"

#include "journal.h"

#include "shell/pageid.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef QUORVEL_FIELD_DPMS
// Xlib before its extension, and after Qt: its macros clash with Qt's names.
#include <X11/Xlib.h>

#include <X11/extensions/dpms.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const char Variable[] = "QUORVEL_GUIDE_SCREEN_HOURS";

} // namespace

ScreenSchedule *ScreenSchedule::fromEnvironment(QWidget *window)
{
    const QByteArray value = qgetenv(Variable);
    if (value.trimmed().isEmpty())
        return nullptr;
    const ScreenHours hours = ScreenHours::parse(value);
    if (!hours.isValid()) {
        sayInJournal(
            QByteArray(Variable) + "=\"" + value
            + "\" is not a list of opening hours such as \"Mon-Fri 08:00-19:00, Sat 09:00-14:00\": ignored, the "
              "screen stays on");
        return nullptr;
    }
    return new ScreenSchedule(window, hours, platformPower());
}

ScreenSchedule::Power ScreenSchedule::platformPower()
{
    const QString platform = QGuiApplication::platformName();
#ifdef QUORVEL_FIELD_DPMS
    if (platform == QLatin1String("xcb"))
        return Dpms;
#endif
    if (platform == QLatin1String("windows"))
        return MonitorPower;
    return EndAtClosing;
}

ScreenSchedule::ScreenSchedule(QWidget *window, const ScreenHours &hours, Power power)
    : QObject(window),
      window(window),
      hours(hours),
      how(power)
{
    // Precise: a coarse timer may wake up to three seconds before the minute
    // it waits for, and the screen would change a minute late.
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    connect(&timer, SIGNAL(timeout()), this, SLOT(sltCheck()));
    // Looked at once the event loop runs: ending at closing needs it.
    timer.start(0);
}

ScreenSchedule::~ScreenSchedule()
{
#ifdef QUORVEL_FIELD_DPMS
    if (display)
        XCloseDisplay(static_cast<Display *>(display));
#endif
}

void ScreenSchedule::setClock(const QDateTime &at)
{
    clockSet = true;
    setTime = at;
    sltCheck();
}

void ScreenSchedule::sltCheck()
{
    const QDateTime at = now();
    const bool nowOpen = hours.isOpen(at);
    if (nowOpen != open) {
        open = nowOpen;
        if (open) {
            powerScreen(true);
            emit sigOpenWidget(HomePageId);
        } else {
            const QDateTime opening = hours.nextChange(at);
            sayInJournal("closed until " + opening.toString(QStringLiteral("ddd yyyy-MM-dd HH:mm")).toLatin1()
                         + ": the screen goes off");
            powerScreen(false);
            emit sigClosed(opening);
        }
    } else if (!open) {
        // A touch wakes a screen that DPMS put to sleep: back off it goes.
        powerScreen(false);
    }
    // A look at every minute's start: a clock set or a machine woken from
    // sleep is caught up with at the next.
    const QTime time = QDateTime::currentDateTime().time();
    timer.start(60000 - (time.second() * 1000 + time.msec()) + 50);
}

void ScreenSchedule::powerScreen(bool on)
{
    Q_UNUSED(on) // where the platform has no switch compiled in
#ifdef QUORVEL_FIELD_DPMS
    if (how == Dpms) {
        if (!display)
            display = XOpenDisplay(nullptr);
        Display *x = static_cast<Display *>(display);
        int event = 0;
        int error = 0;
        if (!x || !DPMSQueryExtension(x, &event, &error) || !DPMSCapable(x)) {
            if (!on && !saidNoDpms)
                sayInJournal("the X server cannot power the screen down (no DPMS): it stays on");
            saidNoDpms = true;
            return;
        }
        // The session starts with DPMS off (-dpms): on only while closed,
        // with no timeouts of its own.
        if (on) {
            DPMSForceLevel(x, DPMSModeOn);
            DPMSDisable(x);
        } else {
            DPMSSetTimeouts(x, 0, 0, 0);
            DPMSEnable(x);
            DPMSForceLevel(x, DPMSModeOff);
        }
        XFlush(x);
    }
#endif
#ifdef Q_OS_WIN
    // 2: off; -1: on. Handled by the window's default procedure.
    if (how == MonitorPower)
        SendMessageW(reinterpret_cast<HWND>(window->winId()), WM_SYSCOMMAND, SC_MONITORPOWER, on ? -1 : 2);
#endif
    // EndAtClosing: the guide ends, and the kiosk unit powers the console.
}
