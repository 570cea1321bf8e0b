#include "shell/basewidget.h"

#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <climits>

// Page switching by page id, on the real window.
class TestBasewidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void ignoredIdsKeepThePage_data();
    void ignoredIdsKeepThePage();

    void everyIdBuildsAFreshPage_data();
    void everyIdBuildsAFreshPage();

    void requestFromInitPageReachesNobody_data();
    void requestFromInitPageReachesNobody();

    void sameIdRebuildsInInitialState();
    void waitFinishedReplacesAnyPage();
};

namespace {

void addEveryId()
{
    QTest::addColumn<int>("id");
    for (PageId id = 0; id <= LastPageId; ++id)
        QTest::newRow(QByteArray::number(id).constData()) << id;
}

// Emits a request from the page being built: when the window takes it as its
// child, and whenever its initPage() hides or adds a widget. A page of a shown
// window stays hidden until the window shows it, last of all.
class RequestFromInitPage : public QObject
{
public:
    RequestFromInitPage(Basewidget *window, PageId request)
        : window(window),
          request(request)
    {
        qApp->installEventFilter(this);
    }

    int emitted = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QObject *pageObject = nullptr;
        switch (event->type()) {
        case QEvent::HideToParent:
            pageObject = watched->parent();
            break;
        case QEvent::ChildAdded:
        case QEvent::ParentChange:
            pageObject = watched;
            break;
        default:
            break;
        }
        auto *page = qobject_cast<AbstractQuorvelWidget *>(pageObject);
        if (page && page->parent() == window && page->isHidden()) {
            ++emitted;
            emit page->sigOpenWidget(request);
        }
        return false;
    }

private:
    Basewidget *window;
    PageId request;
};

} // namespace

void TestBasewidget::initTestCase()
{
    TestPictures::writeAll();
}

void TestBasewidget::ignoredIdsKeepThePage_data()
{
    QTest::addColumn<int>("id");

    QTest::newRow("-1") << -1;
    QTest::newRow("138") << 138;
    QTest::newRow("-2") << -2;
    QTest::newRow("1000") << 1000;
    QTest::newRow("INT_MIN") << INT_MIN;
    QTest::newRow("INT_MAX") << INT_MAX;
}

void TestBasewidget::ignoredIdsKeepThePage()
{
    QFETCH(int, id);

    Basewidget window;
    window.show();
    window.sltOpenWidget(61);
    AbstractQuorvelWidget *before = window.page();
    QSignalSpy shown(&window, SIGNAL(sigPageShown(int)));
    window.sltOpenWidget(id);
    QCOMPARE(shown.count(), 0);
    QCOMPARE(window.page(), before);
    QCOMPARE(window.page()->pageId, 61);
    QVERIFY(window.page()->isVisible());
    QCOMPARE(window.findChildren<AbstractQuorvelWidget *>().size(), 1);
}

void TestBasewidget::everyIdBuildsAFreshPage_data()
{
    addEveryId();
}

void TestBasewidget::everyIdBuildsAFreshPage()
{
    QFETCH(int, id);

    Basewidget window;
    window.show();
    window.sltOpenWidget(id == 57 ? 58 : 57);
    QPointer<AbstractQuorvelWidget> before = window.page();
    QSignalSpy shown(&window, SIGNAL(sigPageShown(int)));

    window.sltOpenWidget(id);

    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toInt(), id);
    QVERIFY(before.isNull());
    AbstractQuorvelWidget *page = window.page();
    QCOMPARE(GuideTest::pageClass(window), GuideTest::pageClassOf(id));
    QCOMPARE(page->parentWidget(), &window);
    QCOMPARE(page->geometry(), QRect(0, 0, 1000, 600));
    QVERIFY(page->isVisible());
    QCOMPARE(page->pageId, GuideTest::keptPageId(id));
    QCOMPARE(window.findChildren<AbstractQuorvelWidget *>().size(), 1);
}

void TestBasewidget::requestFromInitPageReachesNobody_data()
{
    addEveryId();
}

void TestBasewidget::requestFromInitPageReachesNobody()
{
    QFETCH(int, id);

    Basewidget window;
    window.show();
    const PageId request = id == 61 ? 62 : 61;
    RequestFromInitPage requester(&window, request);
    window.sltOpenWidget(id);
    QVERIFY(requester.emitted >= 1);
    QCoreApplication::processEvents();
    QCOMPARE(GuideTest::pageClass(window), GuideTest::pageClassOf(id));
    QCOMPARE(window.page()->pageId, GuideTest::keptPageId(id));
}

void TestBasewidget::sameIdRebuildsInInitialState()
{
    Basewidget window;
    window.sltOpenWidget(HomePageId);
    auto *list = window.page()->findChild<QComboBox *>();
    QVERIFY(list);
    list->blockSignals(true);
    list->setCurrentIndex(7);
    QPointer<AbstractQuorvelWidget> first = window.page();

    window.sltOpenWidget(HomePageId);

    QVERIFY(first.isNull());
    auto *freshList = window.page()->findChild<QComboBox *>();
    QVERIFY(freshList);
    QCOMPARE(freshList->currentIndex(), 0);
}

void TestBasewidget::waitFinishedReplacesAnyPage()
{
    Basewidget window;
    window.sltOpenWidget(99);
    window.sltWaitFinished();
    QCOMPARE(GuideTest::pageClass(window), QByteArray("QuorvelHome"));
}

QTEST_MAIN(TestBasewidget)
#include "tst_basewidget.moc"
