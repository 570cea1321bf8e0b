#include "basewidget.h"

#include "abstractquorvelwidget.h"
#include "pagefactory.h"
#include "topwatcher.h"

Basewidget::Basewidget(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(PageSize);
    setStyleSheet(QLatin1String(PageFactory::windowStyleSheet()));
    sltOpenWidget(StartPageId);

    watcher = new TopWatcher;
    connect(watcher, SIGNAL(sigWaitFinished()), this, SLOT(sltWaitFinished()));
    emit watcher->sigRun();
    connect(watcher, SIGNAL(sigOpen(int)), this, SLOT(sltOpenWidget(int)));
}

Basewidget::~Basewidget()
{
    delete currentPage;
    delete watcher;
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
}
