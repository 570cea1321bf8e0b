#ifndef BASEWIDGET_H
#define BASEWIDGET_H

#include "pageid.h"

#include <QPointer>
#include <QWidget>

class AbstractQuorvelWidget;
class IdleReturn;
class TopWatcher;

// The guide's only window: fixed at 1000 x 600, it shows one page at a time
// and builds a new page object for every page id it is asked for.
class Basewidget : public QWidget
{
    Q_OBJECT

public:
    explicit Basewidget(QWidget *parent = nullptr);
    ~Basewidget() override;

    AbstractQuorvelWidget *page() const { return currentPage; }
    TopWatcher *topWatcher() const { return watcher; }
    // Null unless the deployer turned the return to the home page on.
    IdleReturn *idleReturn() const { return idle; }

signals:
    // A page has been built and shown: what watches the guide from outside
    // (statistics, metrics) hears of every page here.
    void sigPageShown(int idx);

public slots:
    void sltWaitFinished();
    void sltOpenWidget(int idx);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AbstractQuorvelWidget *currentPage = nullptr;
    TopWatcher *watcher = nullptr;
    IdleReturn *idle = nullptr;
    // Until its first paint, which starts the watcher's wait.
    QPointer<AbstractQuorvelWidget> startPage;
};

#endif
