#include "touch.h"

#include <QCursor>
#include <QTouchDevice>
#include <QWidget>

Fingers::Fingers(QWidget *window)
    : window(window),
      sequence(QTest::touchEvent(window, device(), false))
{
}

Fingers::~Fingers()
{
    liftAll();
}

QTouchDevice *Fingers::device()
{
    static QTouchDevice *const screen = QTest::createTouchDevice();
    return screen;
}

// Lists the other fingers down, unmoved.
void Fingers::stillOthers(int finger)
{
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        if (it.key() != finger)
            sequence.stationary(it.key());
    }
}

void Fingers::down(int finger, QPoint at)
{
    if (held.contains(finger))
        up(finger);
    if (held.isEmpty())
        QCursor::setPos(window->mapToGlobal(at));
    stillOthers(finger);
    sequence.press(finger, at, window);
    sequence.commit(letEventsRun);
    held.insert(finger, at);
}

void Fingers::move(int finger, QPoint to)
{
    if (!held.contains(finger))
        return;
    stillOthers(finger);
    sequence.move(finger, to, window);
    sequence.commit(letEventsRun);
    held.insert(finger, to);
}

void Fingers::up(int finger)
{
    if (!held.contains(finger))
        return;
    stillOthers(finger);
    sequence.release(finger, held.value(finger), window);
    sequence.commit(letEventsRun);
    held.remove(finger);
}

void Fingers::tap(QPoint at)
{
    int finger = 0;
    while (held.contains(finger))
        ++finger;
    down(finger, at);
    up(finger);
}

void Fingers::liftAll()
{
    while (!held.isEmpty())
        up(held.firstKey());
}
