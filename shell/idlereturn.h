#ifndef IDLERETURN_H
#define IDLERETURN_H

#include "pageid.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Takes the guide back to the home page when nobody has pressed, touched,
// typed or moved the pointer for a while: a visitor who walked away leaves
// the next one a detail sheet otherwise. Off unless QUORVEL_GUIDE_IDLE_SECONDS
// asks for it.
class IdleReturn : public QObject
{
    Q_OBJECT

public:
    static constexpr int MinSeconds = 10;
    static constexpr int MaxSeconds = 86400;

    // The seconds a value of QUORVEL_GUIDE_IDLE_SECONDS asks for: 0 for an
    // empty one, -1 for anything but a whole number from 10 to 86400.
    static int secondsFrom(const QByteArray &value);
    // Made for the window when the environment turns it on, else null. A value
    // that is no good is said on stderr, and ignored.
    static IdleReturn *fromEnvironment(QWidget *window);

    IdleReturn(QWidget *window, int seconds);
    ~IdleReturn() override;

    int seconds() const { return int(idleMs / 1000); }

    // The window shows a new page: that counts as activity too.
    void pageShown(PageId id);

    // The time it goes by, in ms. A test sets it, which stops it there for
    // good, and the return looks again at once; the guide never sets it.
    qint64 clockTime() const { return clockSet ? setTime : clock.elapsed(); }
    void setClock(qint64 msecs);

signals:
    void sigOpenWidget(int);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void sltCheck();

private:
    void noteActivity();

    QWidget *window = nullptr;
    qint64 idleMs = 0;
    PageId shownPage = NoPageId;
    QElapsedTimer clock;
    bool clockSet = false;
    qint64 setTime = 0;
    qint64 lastActivity = 0;
    // From a touch's beginning to its end: activity all along.
    bool touchHeld = false;
    QTimer timer;
};

#endif
