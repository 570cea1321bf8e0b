#ifndef TOUCH_H
#define TOUCH_H

#include <QMap>
#include <QPoint>
#include <QTest>

QT_BEGIN_NAMESPACE
class QTouchDevice;
class QWidget;
QT_END_NAMESPACE

// Fingers on a window's touch screen, through Qt's touch events as a panel
// delivers them: every event lists each finger that is down. The platform's
// pointer follows the first finger down, as X11 and Wayland move theirs; Qt
// makes its mouse events of that finger alone.
class Fingers
{
public:
    explicit Fingers(QWidget *window);
    ~Fingers();

    // The one touch screen of the test, made on first use.
    static QTouchDevice *device();

    // Points are in the window's coordinates.
    void down(int finger, QPoint at);
    void move(int finger, QPoint to);
    void up(int finger);
    // A finger not in use, down and up at once.
    void tap(QPoint at);
    void liftAll();

    bool isDown(int finger) const { return held.contains(finger); }
    int count() const { return held.size(); }
    QList<int> down() const { return held.keys(); }

    // Off: each event is only handed to the window, and whatever it queues
    // (the home page's requests) waits.
    bool letEventsRun = true;

private:
    void stillOthers(int finger);

    QWidget *window = nullptr;
    QMap<int, QPoint> held;
    QTest::QTouchEventSequence sequence;
};

#endif
