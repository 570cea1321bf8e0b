#ifndef TOPWATCHER_H
#define TOPWATCHER_H

#include <QObject>
#include <QThread>

// Lives in a thread of its own. It times the start picture (sigRun() ...
// sigWaitFinished()) and relays the home page's requests (sigSend -> sigOpen),
// so that they reach the window only after the home page's emission returned.
class TopWatcher : public QObject
{
    Q_OBJECT

public:
    TopWatcher();
    ~TopWatcher() override;

    // How long the start picture stays.
    static constexpr int StartDelayMs = 3000;

signals:
    void sigRun();
    void sigExit();
    void sigWaitFinished();
    void sigSend(int);
    void sigOpen(int);

public slots:
    void sltRun();

private:
    QThread watcherThread;
};

#endif
