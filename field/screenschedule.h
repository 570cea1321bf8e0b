#ifndef SCREENSCHEDULE_H
#define SCREENSCHEDULE_H

#include "screenhours.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

class QWidget;

// The screen off outside opening hours, QUORVEL_GUIDE_SCREEN_HOURS, and the
// home page on it at opening. Off unless set.
//
// How a screen goes off depends on the platform: under X the server's DPMS,
// on Windows the monitor's power message. A Wayland compositor without the
// output-power protocol cannot be asked, so there the guide ends at closing,
// and the kiosk unit powers the console down and starts it again at opening.
class ScreenSchedule : public QObject
{
    Q_OBJECT

public:
    enum Power { EndAtClosing, Dpms, MonitorPower };

    // Made for the window when the environment sets hours, else null. A value
    // that is no good is said on stderr, and ignored.
    static ScreenSchedule *fromEnvironment(QWidget *window);
    // How this platform powers a screen down.
    static Power platformPower();

    ScreenSchedule(QWidget *window, const ScreenHours &hours, Power power);
    ~ScreenSchedule() override;

    bool isOpen() const { return open; }
    Power power() const { return how; }

    // The time it goes by. A test sets it, which stops it there for good, and
    // the schedule looks again at once; the guide never sets it.
    QDateTime now() const { return clockSet ? setTime : QDateTime::currentDateTime(); }
    void setClock(const QDateTime &at);

signals:
    void sigOpenWidget(int);
    // The hours are over, until `opening`.
    void sigClosed(const QDateTime &opening);

private slots:
    void sltCheck();

private:
    void powerScreen(bool on);

    QWidget *window = nullptr;
    ScreenHours hours;
    Power how = EndAtClosing;
    bool open = true;
    bool clockSet = false;
    QDateTime setTime;
    QTimer timer;
    void *display = nullptr; // X's, opened at the first closing
    bool saidNoDpms = false;
};

#endif
