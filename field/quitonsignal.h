#ifndef QUITONSIGNAL_H
#define QUITONSIGNAL_H

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT (the kiosk unit's stop, a Ctrl+C) end the event loop
// instead of the process, so that what is still in memory (the last visits)
// is written on the way out. The handler only writes a byte to a pipe; the
// quitting happens on the window's thread; a second signal ends the process
// at once. Does nothing on Windows.
class QuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

private slots:
    void sltSignal();

private:
    QSocketNotifier *notifier = nullptr;
};

#endif
