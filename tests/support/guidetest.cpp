#include "guidetest.h"

#include "shell/basewidget.h"
#include "shell/topwatcher.h"
#include "tools/guidesurvey.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QQueue>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

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
    // The wait may not have begun yet, so ask until the home page shows.
    const bool home = QTest::qWaitFor([&window] {
        emit window.topWatcher()->sigExit();
        return pageClass(window) == "QuorvelHome";
    });
    if (!home)
        QTest::qFail("The home page did not come within 5 s", __FILE__, __LINE__);
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
// the watcher thread. A page still shown after 5 s fails the test.
bool waitUntilReplaced(const QPointer<AbstractQuorvelWidget> &page)
{
    QElapsedTimer waited;
    waited.start();
    while (page && waited.elapsed() < 5000)
        QTest::qWait(1);
    if (page)
        QTest::qFail("The page was not replaced within 5 s", __FILE__, __LINE__);
    return !page;
}

// Where a press at point on page leads.
Edge pressOnce(Basewidget &window, PageId page, QPoint point, const QString &via)
{
    window.sltOpenWidget(page);
    QPointer<AbstractQuorvelWidget> opened = window.page();
    QSignalSpy requests(opened.data(), SIGNAL(sigOpenWidget(int)));
    press(window, point);
    if (!requests.isEmpty())
        waitUntilReplaced(opened);
    const PageId reached = opened.isNull() ? shownPageId(window) : NoPageId;
    release(window, point);
    // A switch within the press deletes the sender before the spy hears of it.
    return {page, reached, via, opened.isNull() ? qMax(1, requests.count()) : requests.count()};
}

} // namespace

QVector<Edge> explore(Basewidget &window)
{
    QVector<Edge> edges = {{StartPageId, HomePageId, QStringLiteral("start delay"), 1}};
    QSet<PageId> seen = {StartPageId, HomePageId};
    QQueue<PageId> queue;
    queue.enqueue(HomePageId);
    while (!queue.isEmpty()) {
        const PageId page = queue.dequeue();
        window.sltOpenWidget(page);
        const auto *list = window.page()->findChild<QComboBox *>();
        const int rows = list ? list->count() : 0;
        QVector<QPair<QPoint, QString>> presses;
        for (QPushButton *button : window.page()->findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (button->isVisible())
                presses.append({button->geometry().center(), GuideSurvey::buttonRole(window.page(), button)});
        }
        QVector<Edge> found;
        for (const auto &press : presses)
            found.append(pressOnce(window, page, press.first, press.second));
        for (int row = 1; row < rows; ++row) {
            window.sltOpenWidget(page);
            QPointer<AbstractQuorvelWidget> opened = window.page();
            window.page()->findChild<QComboBox *>()->setCurrentIndex(row);
            waitUntilReplaced(opened);
            found.append({page, shownPageId(window), QStringLiteral("row %1").arg(row), 1});
        }
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
