#include "shell/basewidget.h"

#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QSet>
#include <QTest>

using GuideTest::Edge;

// The whole guide, explored press by press from the start page.
class TestGraph : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void everyPageIsReached();
    void everyPressAsksForOnePageTheWindowShows();
    void previousLeadsBackAlongThePathTaken();
    void homeAlwaysLeadsHome();
    void everyPageButTheStartHasAWayOn();

private:
    QVector<Edge> edges;
};

void TestGraph::initTestCase()
{
    TestPictures::writeAll();
    Basewidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edges = GuideTest::explore(window);
}

void TestGraph::cleanupTestCase()
{
    edges.clear();
}

void TestGraph::everyPageIsReached()
{
    QSet<PageId> reached;
    for (const Edge &edge : edges)
        reached << edge.from << edge.to;
    reached.remove(NoPageId);
    QCOMPARE(reached.size(), PageCount);
    for (PageId id = 0; id < PageCount; ++id)
        QVERIFY2(reached.contains(id), qPrintable(QString::number(id)));
}

void TestGraph::everyPressAsksForOnePageTheWindowShows()
{
    for (const Edge &edge : edges) {
        const QString where = QStringLiteral("%1 by %2").arg(edge.from).arg(edge.via);
        QVERIFY2(edge.requests == 1, qPrintable(where));
        QVERIFY2(edge.to >= 0 && edge.to <= LastPageId, qPrintable(where));
    }
}

void TestGraph::previousLeadsBackAlongThePathTaken()
{
    int checked = 0;
    for (const Edge &forward : edges) {
        if (forward.via == QLatin1String("previous") || forward.via == QLatin1String("home"))
            continue;
        for (const Edge &back : edges) {
            if (back.from == forward.to && back.via == QLatin1String("previous")) {
                QVERIFY2(back.to == forward.from,
                         qPrintable(QStringLiteral("%1 -> %2 by %3, but previous leads to %4")
                                        .arg(forward.from)
                                        .arg(forward.to)
                                        .arg(forward.via)
                                        .arg(back.to)));
                ++checked;
            }
        }
    }
    // Every page with a previous button is entered forwards once: 14..56, the
    // feature pages but the first, the type and the detail pages.
    QCOMPARE(checked, (56 - 14 + 1) + 11 + 7 + 54);
}

void TestGraph::homeAlwaysLeadsHome()
{
    int homes = 0;
    for (const Edge &edge : edges) {
        if (edge.via == QLatin1String("home")) {
            QCOMPARE(edge.to, HomePageId);
            ++homes;
        }
    }
    QCOMPARE(homes, PageCount - 2);
}

void TestGraph::everyPageButTheStartHasAWayOn()
{
    QSet<PageId> withWayOn;
    for (const Edge &edge : edges) {
        if (edge.via != QLatin1String("start delay") && edge.to != NoPageId)
            withWayOn << edge.from;
    }
    QVERIFY(!withWayOn.contains(StartPageId));
    QCOMPARE(withWayOn.size(), PageCount - 1);
}

QTEST_MAIN(TestGraph)
#include "tst_graph.moc"
