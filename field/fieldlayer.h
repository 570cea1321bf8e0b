#ifndef FIELDLAYER_H
#define FIELDLAYER_H

#include "fieldwatch.h"

#include <QObject>

class Basewidget;
class ScreenSchedule;
class Watchdog;

// What watches the guide in the field, above the window and unknown to it:
// the service manager's watchdog, the wait for a screen, opening hours, and
// (FieldWatch) the visit statistics, the metrics and the picture of the
// screen. Fed by the window's signals and events only.
class FieldLayer : public QObject
{
    Q_OBJECT

public:
    // The guide's exit status when no screen came within the wait.
    static constexpr int NoScreenStatus = 69;

    // A question the kiosk units ask the guide before they start it, answered
    // without a window: the exit status, or -1 when the command line asks none.
    //   --screen-closed-until  prints the next opening and exits 0 while the
    //                          opening hours are over, else exits 1.
    //   --screenshot FILE      the running guide's window as a PNG.
    static int answer(int argc, char *argv[]);

    explicit FieldLayer(Basewidget *window);

    Watchdog *watchdog() const { return dog; }
    // Null unless the deployer set opening hours.
    ScreenSchedule *schedule() const { return hours; }
    FieldWatch *fieldWatch() { return &watch; }

    // The seconds QUORVEL_GUIDE_SCREEN_WAIT_SECONDS asks for: the default for
    // an empty value, -1 for anything but a whole number from 5 to 3600.
    static int screenWaitSecondsFrom(const QByteArray &value);

private slots:
    void sltNoScreen();
    void sltClosed();

private:
    Watchdog *dog = nullptr;
    ScreenSchedule *hours = nullptr;
    FieldWatch watch;
};

#endif
