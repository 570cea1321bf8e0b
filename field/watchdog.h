#ifndef WATCHDOG_H
#define WATCHDOG_H

#include <QObject>
#include <QPointer>
#include <QScopedPointer>
#include <QTimer>

class QWidget;
class SystemdNotify;

// Tells systemd that the guide is ready at its first frame, and that it is
// alive for as long as its GUI thread paints: the guide paints only when
// something changes, so it asks for a repaint of one pixel every third of
// the watchdog's period and pings once that paint has happened. A stopped
// process, a deadlock, or a compositor that no longer takes the guide's
// frames all stop the pings, and systemd restarts the kiosk.
//
// Until the first frame it pings from its timer (the event loop runs, the
// screen has not come yet); a first frame that does not come within the wait
// is a screen that is not there: sigNoScreen().
class Watchdog : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultScreenWaitSeconds = 60;

    // Takes the notifier over; it may be inactive (no systemd).
    Watchdog(QWidget *window, SystemdNotify *notify, int screenWaitMs);
    ~Watchdog() override;

    bool hasPainted() const { return painted; }
    int repaintsAsked() const { return asked; }

signals:
    void sigNoScreen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void sltTick();
    void sltScreenWaitOver();

private:
    QPointer<QWidget> window;
    QScopedPointer<SystemdNotify> notify;
    QTimer ticker;
    QTimer screenWait;
    bool painted = false;
    bool pingDue = false;
    int asked = 0;
};

#endif
