#include "guidetest.h"
#include "patience.h"

#include "shell/basewidget.h"
#include "shell/topwatcher.h"
#include "tools/guidesurvey.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QQueue>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace GuideTest {

void press(Basewidget &window, QPoint point)
{
    QTest::mousePress(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
}

void release(Basewidget &window, QPoint point)
{
    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
}

void click(Basewidget &window, QPoint point)
{
    press(window, point);
    release(window, point);
}

bool showHome(Basewidget &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        QTest::qFail("The window was not exposed", __FILE__, __LINE__);
        return false;
    }
    return skipStartDelay(window);
}

bool skipStartDelay(Basewidget &window)
{
    // The wait begins at the start picture's first paint, which a hidden
    // window never has; and it may not have begun yet, so ask until the home
    // page shows.
    window.show();
    const bool home = QTest::qWaitFor(
        [&window] {
            emit window.topWatcher()->sigExit();
            return pageClass(window) == "QuorvelHome";
        },
        Patience::Ms);
    if (!home)
        QTest::qFail("The home page did not come", __FILE__, __LINE__);
    return home;
}

QByteArray pageClass(const Basewidget &window)
{
    return window.page() ? QByteArray(window.page()->metaObject()->className()) : QByteArray();
}

PageId shownPageId(const Basewidget &window)
{
    // Each page that keeps no pageId has a class of its own.
    for (const PageId id : {StartPageId, HomePageId, 14}) {
        if (pageClass(window) == pageClassOf(id))
            return id;
    }
    return window.page()->pageId;
}

QByteArray pageClassOf(PageId id)
{
    if (id == 0)
        return "QuorvelTop";
    if (id == 1)
        return "QuorvelHome";
    if (id <= 13)
        return "QuorvelFeatures";
    if (id == 14)
        return "QuorvelLayer1";
    if (id <= 17)
        return "QuorvelLayer2";
    if (id <= 22)
        return "QuorvelLayer3";
    if (id <= 76 || id >= 131)
        return "QuorvelLayer4";
    return "QuorvelLayer5";
}

PageId keptPageId(PageId id)
{
    return id == StartPageId || id == HomePageId || id == 14 ? NoPageId : id;
}

namespace {

// The home page's requests arrive from the event loop, after a trip through
// the watcher thread. A page that stays fails the test.
bool waitUntilReplaced(const QPointer<AbstractQuorvelWidget> &page)
{
    QElapsedTimer waited;
    waited.start();
    while (page && waited.elapsed() < Patience::Ms)
        QTest::qWait(1);
    if (page)
        QTest::qFail("The page was not replaced", __FILE__, __LINE__);
    return !page;
}

// Qt calls a signal's connections in the order they were made and stops once
// a slot has deleted the sender, so the spy must come before the window's own
// connection. The page's wiring is put back just as it was.
std::unique_ptr<QSignalSpy> spyFirst(Basewidget &window)
{
    AbstractQuorvelWidget *page = window.page();
    TopWatcher *watcher = window.topWatcher();
    const bool toWindow = QObject::disconnect(page, SIGNAL(sigOpenWidget(int)), &window, SLOT(sltOpenWidget(int)));
    const bool toWatcher = QObject::disconnect(page, SIGNAL(sigOpenWidget(int)), watcher, SIGNAL(sigSend(int)));
    auto requests = std::make_unique<QSignalSpy>(page, SIGNAL(sigOpenWidget(int)));
    if (toWindow)
        QObject::connect(page, SIGNAL(sigOpenWidget(int)), &window, SLOT(sltOpenWidget(int)));
    if (toWatcher)
        QObject::connect(page, SIGNAL(sigOpenWidget(int)), watcher, SIGNAL(sigSend(int)));
    return requests;
}

// Where a press at point on page leads.
Edge pressOnce(Basewidget &window, PageId page, QPoint point, const QString &via)
{
    window.sltOpenWidget(page);
    QPointer<AbstractQuorvelWidget> opened = window.page();
    const auto requests = spyFirst(window);
    press(window, point);
    if (!requests->isEmpty())
        waitUntilReplaced(opened);
    const PageId reached = opened.isNull() ? shownPageId(window) : NoPageId;
    release(window, point);
    return {page, reached, via, int(requests->count())};
}

Edge chooseRow(Basewidget &window, PageId page, int row)
{
    window.sltOpenWidget(page);
    QPointer<AbstractQuorvelWidget> opened = window.page();
    const auto requests = spyFirst(window);
    window.page()->findChild<QComboBox *>()->setCurrentIndex(row);
    waitUntilReplaced(opened);
    const PageId reached = opened.isNull() ? shownPageId(window) : NoPageId;
    return {page, reached, QStringLiteral("row %1").arg(row), int(requests->count())};
}

// The start page leads on by itself once its delay ends, here cut short.
Edge waitOutStart(Basewidget &window)
{
    const PageLog shown(&window);
    const bool home = skipStartDelay(window);
    return {StartPageId, home ? shownPageId(window) : NoPageId, QStringLiteral("start delay"),
            int(shown.entries.size())};
}

} // namespace

QVector<Edge> explore(Basewidget &window)
{
    // What there is to press on each page is read once, by the survey.
    const QVector<GuideSurvey::Page> pages = GuideSurvey::survey();
    QVector<Edge> edges = {waitOutStart(window)};
    QSet<PageId> seen = {StartPageId};
    QQueue<PageId> queue;
    if (edges.first().to != NoPageId) {
        seen.insert(edges.first().to);
        queue.enqueue(edges.first().to);
    }
    while (!queue.isEmpty()) {
        const PageId page = queue.dequeue();
        QVector<Edge> found;
        for (const GuideSurvey::Button &button : pages.at(page).buttons)
            found.append(pressOnce(window, page, button.rect.center(), button.role));
        for (int row = 1; row < pages.at(page).rows.size(); ++row)
            found.append(chooseRow(window, page, row));
        for (const Edge &edge : found) {
            edges.append(edge);
            if (edge.to != NoPageId && !seen.contains(edge.to)) {
                seen.insert(edge.to);
                queue.enqueue(edge.to);
            }
        }
    }
    return edges;
}

} // namespace GuideTest

PageLog::PageLog(Basewidget *window)
    : QObject(window),
      window(window)
{
    qApp->installEventFilter(this);
}

bool PageLog::eventFilter(QObject *watched, QEvent *event)
{
    // A page is shown last of all, after its pageId and initPage().
    if (event->type() == QEvent::Show && watched->parent() == window) {
        if (auto *page = qobject_cast<AbstractQuorvelWidget *>(watched)) {
            QElapsedTimer now;
            now.start();
            entries.append({page->metaObject()->className(), page->pageId, now});
        }
    }
    return false;
}
