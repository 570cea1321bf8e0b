#include "basewidget.h"

#include "abstractquorvelwidget.h"
#include "idlereturn.h"
#include "pagefactory.h"
#include "topwatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

Basewidget::Basewidget(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(PageSize);
    setStyleSheet(QLatin1String(PageFactory::windowStyleSheet()));
    // Touches reach the window's QWindow, not its widgets.
    qApp->installEventFilter(this);
    idle = IdleReturn::fromEnvironment(this);
    if (idle)
        connect(idle, SIGNAL(sigOpenWidget(int)), this, SLOT(sltOpenWidget(int)));
    sltOpenWidget(StartPageId);
    startPage = currentPage;

    watcher = new TopWatcher;
    connect(watcher, SIGNAL(sigWaitFinished()), this, SLOT(sltWaitFinished()));
    connect(watcher, SIGNAL(sigOpen(int)), this, SLOT(sltOpenWidget(int)));
}

Basewidget::~Basewidget()
{
    delete currentPage;
    delete watcher;
}

bool Basewidget::eventFilter(QObject *watched, QEvent *event)
{
    // The start picture's three seconds count from its first frame: a slow
    // start (a compositor still coming up) would otherwise swallow them.
    if (event->type() == QEvent::Paint && startPage && watched == startPage.data()) {
        startPage = nullptr;
        emit watcher->sigRun();
    }
    // The platform leaves its pointer where a finger lifted, so a button that
    // came under it (on the page the tap opened) would keep its hover wash lit
    // until the next touch. Once the last finger is up, the window hears that
    // the pointer left; queued, so it comes after the release Qt makes of it.
    const bool touchOver = event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel;
    if (touchOver && watched->isWindowType() && windowHandle())
        QCoreApplication::postEvent(windowHandle(), new QEvent(QEvent::Leave));
    return false;
}

void Basewidget::sltWaitFinished()
{
    sltOpenWidget(HomePageId);
}

void Basewidget::sltOpenWidget(int idx)
{
    if (uint(idx) > uint(LastPageId))
        return; // the page stays

    if (currentPage) {
        // The page may be inside its own button's pressed() emission; Qt copes
        // with a sender deleted by a directly connected slot, and the pages'
        // slots touch nothing after emitting.
        disconnect(currentPage, SIGNAL(sigOpenWidget(int)), this, SLOT(sltOpenWidget(int)));
        delete currentPage;
    }

    currentPage = PageFactory::create(idx);
    currentPage->setGeometry(0, 0, width(), height());
    currentPage->setParent(this);
    if (PageFactory::setsPageId(idx))
        currentPage->pageId = idx;
    currentPage->initPage();

    // The home page is deleted by its own requests, so they go round the
    // watcher thread and arrive after its emission has returned.
    if (idx == HomePageId)
        connect(currentPage, SIGNAL(sigOpenWidget(int)), watcher, SIGNAL(sigSend(int)));
    else
        connect(currentPage, SIGNAL(sigOpenWidget(int)), this, SLOT(sltOpenWidget(int)));
    // Re-parenting hid the page.
    currentPage->show();
    if (idle)
        idle->pageShown(idx);
    emit sigPageShown(idx);
}
