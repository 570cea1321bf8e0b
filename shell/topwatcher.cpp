#include "topwatcher.h"

#include <QEventLoop>
#include <QTimer>

TopWatcher::TopWatcher()
{
    watcherThread.setObjectName(QStringLiteral("QuorvelWatcher"));
    moveToThread(&watcherThread);
    watcherThread.start();
    connect(this, SIGNAL(sigRun()), this, SLOT(sltRun()));
    connect(this, SIGNAL(sigSend(int)), this, SIGNAL(sigOpen(int)));
}

TopWatcher::~TopWatcher()
{
    emit sigExit();
    watcherThread.quit();
    watcherThread.wait();
}

void TopWatcher::sltRun()
{
    QEventLoop loop;
    // A timer owned by this scope, rather than a free single-shot one, so that
    // a wait cut short leaves nothing pending in the thread.
    QTimer timer;
    timer.setSingleShot(true);
    // Precise: the home page must never come before the start picture's time.
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, SIGNAL(timeout()), &loop, SLOT(quit()));
    connect(this, SIGNAL(sigExit()), &loop, SLOT(quit()));
    timer.start(StartDelayMs);
    // The nested loop keeps the relay working while it waits.
    loop.exec();
    emit sigWaitFinished();
}
