#include "basewidget.h"

#include "abstractquorvelwidget.h"
#include "topwatcher.h"

#include "pages/quorvelfeatures.h"
#include "pages/quorvelhome.h"
#include "pages/quorvellayer1.h"
#include "pages/quorvellayer2.h"
#include "pages/quorvellayer3.h"
#include "pages/quorvellayer4.h"
#include "pages/quorvellayer5.h"
#include "pages/quorveltop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

namespace {

template <typename Page>
AbstractQuorvelWidget *createPage()
{
    return new Page;
}

// Which page class serves which ids. The start, home and first question pages
// never read pageId, so it is left at NoPageId for them.
struct PageClass
{
    PageId first;
    PageId last;
    AbstractQuorvelWidget *(*create)();
    bool setsPageId;
};

// clang-format off
const PageClass pageClasses[] = {
    {0, 0, createPage<QuorvelTop>, false},
    {1, 1, createPage<QuorvelHome>, false},
    {2, 13, createPage<QuorvelFeatures>, true},
    {14, 14, createPage<QuorvelLayer1>, false},
    {15, 17, createPage<QuorvelLayer2>, true},
    {18, 22, createPage<QuorvelLayer3>, true},
    {23, 76, createPage<QuorvelLayer4>, true},
    {77, 130, createPage<QuorvelLayer5>, true},
    {131, 137, createPage<QuorvelLayer4>, true},
};
// clang-format on

// Null for ids outside 0..137.
const PageClass *pageClassOf(PageId id)
{
    for (const PageClass &pageClass : pageClasses) {
        if (id >= pageClass.first && id <= pageClass.last)
            return &pageClass;
    }
    return nullptr;
}

// The pages that lay see-through buttons over their picture give them a
// background colour only; styles such as Fusion then still draw their own
// opaque, bevelled button face over the picture. Without a border they draw
// just that colour: nothing, or the faint wash under the pointer.
constexpr char SeeThroughButtons[] = "QuorvelHome QPushButton, QuorvelLayer1 QPushButton, "
                                     "QuorvelLayer2 QPushButton, QuorvelLayer3 QPushButton, "
                                     "QuorvelLayer4 QPushButton, QuorvelLayer5 QPushButton {border: none;}";

} // namespace

Basewidget::Basewidget(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(PageSize);
    setStyleSheet(QLatin1String(SeeThroughButtons));
    // Touches reach the window's QWindow, not its widgets.
    qApp->installEventFilter(this);
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

bool Basewidget::eventFilter(QObject *watched, QEvent *event)
{
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
    const PageClass *pageClass = pageClassOf(idx);
    if (!pageClass)
        return; // the page stays

    if (currentPage) {
        // The page may be inside its own button's pressed() emission; Qt copes
        // with a sender deleted by a directly connected slot, and the pages'
        // slots touch nothing after emitting.
        disconnect(currentPage, SIGNAL(sigOpenWidget(int)), this, SLOT(sltOpenWidget(int)));
        delete currentPage;
    }

    currentPage = pageClass->create();
    currentPage->setGeometry(0, 0, width(), height());
    currentPage->setParent(this);
    if (pageClass->setsPageId)
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
