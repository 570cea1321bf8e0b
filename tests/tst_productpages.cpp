#include "shell/basewidget.h"

#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

using GuideTest::NextButton;
using GuideTest::PreviousButton;

// Result, model, type and detail pages, checked as rules over all their ids
// through real presses on the window.
class TestProductPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void resultPageLeadsToItsDetailAndBack_data();
    void resultPageLeadsToItsDetailAndBack();

    void modelPageShowsItsListRow_data();
    void modelPageShowsItsListRow();

    void typePageShowsATypeOfItsCatalogue_data();
    void typePageShowsATypeOfItsCatalogue();

    void detailPagesOfOneModelDifferOnlyInPrevious();

private:
    // False when the window does not show the page of that id.
    bool open(PageId id);
    QString shown() const { return TestPictures::shownPicture(window); }
    AbstractQuorvelWidget *page() const { return window->page(); }

    Basewidget *window = nullptr;
};

namespace {

QString detailOf(QString modelPicture)
{
    return modelPicture.replace(QLatin1String(".jpg"), QLatin1String("_detial.jpg"));
}

void addIds(PageId first, PageId last)
{
    QTest::addColumn<int>("id");
    for (PageId id = first; id <= last; ++id)
        QTest::newRow(QByteArray::number(id).constData()) << id;
}

// Which navigation buttons a page shows, "pnh" with a dash for each hidden one.
QString shownButtons(const AbstractQuorvelWidget *page)
{
    return QString(page->btnPrevious->isVisible() ? QLatin1Char('p') : QLatin1Char('-'))
        + (page->btnNext->isVisible() ? QLatin1Char('n') : QLatin1Char('-'))
        + (page->btnHome->isVisible() ? QLatin1Char('h') : QLatin1Char('-'));
}

} // namespace

void TestProductPages::initTestCase()
{
    TestPictures::writeAll();
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
}

void TestProductPages::cleanupTestCase()
{
    delete window;
}

bool TestProductPages::open(PageId id)
{
    window->sltOpenWidget(id);
    return page()->pageId == id;
}

void TestProductPages::resultPageLeadsToItsDetailAndBack_data()
{
    addIds(23, 56);
}

void TestProductPages::resultPageLeadsToItsDetailAndBack()
{
    QFETCH(int, id);

    QVERIFY(open(id));
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelLayer4"));
    QCOMPARE(shownButtons(page()), QStringLiteral("pnh"));
    const QString model = shown();
    QVERIFY2(model.endsWith(QLatin1String(".jpg")) && !model.startsWith(QLatin1String("/type")), qPrintable(model));
    // Back to the question page that offers it.
    QVERIFY(page()->previousPageId >= 16 && page()->previousPageId <= 22);

    GuideTest::click(*window, NextButton);
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelLayer5"));
    const PageId detail = page()->pageId;
    QCOMPARE(shown(), detailOf(model));
    QCOMPARE(shownButtons(page()), QStringLiteral("p-h"));

    GuideTest::click(*window, PreviousButton);
    QCOMPARE(page()->pageId, id);
    QCOMPARE(shown(), model);

    // Each result page has a detail page of its own.
    QCOMPARE(detail, id + 74);
}

void TestProductPages::modelPageShowsItsListRow_data()
{
    addIds(57, 76);
}

void TestProductPages::modelPageShowsItsListRow()
{
    QFETCH(int, id);

    window->sltOpenWidget(HomePageId);
    const QString model = page()->findChild<QComboBox *>()->itemText(id - 56);

    QVERIFY(open(id));
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelLayer4"));
    QCOMPARE(shown(), QLatin1Char('/') + model.toLower() + QLatin1String(".jpg"));
    QCOMPARE(shownButtons(page()), QStringLiteral("-nh"));

    GuideTest::click(*window, NextButton);
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelLayer5"));
    QCOMPARE(shown(), QLatin1Char('/') + model.toLower() + QLatin1String("_detial.jpg"));
    QCOMPARE(page()->pageId, id + 20);
    QCOMPARE(shownButtons(page()), QStringLiteral("p-h"));

    GuideTest::click(*window, PreviousButton);
    QCOMPARE(page()->pageId, id);
}

void TestProductPages::typePageShowsATypeOfItsCatalogue_data()
{
    addIds(131, 137);
}

void TestProductPages::typePageShowsATypeOfItsCatalogue()
{
    QFETCH(int, id);

    QVERIFY(open(id));
    QCOMPARE(GuideTest::pageClass(*window), QByteArray("QuorvelLayer4"));
    QCOMPARE(shownButtons(page()), QStringLiteral("p-h"));
    const QString picture = shown();
    QVERIFY2(picture.size() == 10 && picture.startsWith(QLatin1String("/type")), qPrintable(picture));
    const QChar letter = picture.at(5);
    QVERIFY(letter.isUpper());

    // The catalogue page it leads back to offers models of its letter, the
    // code's fourth character.
    const PageId catalogue = page()->previousPageId;
    QVERIFY(catalogue == 16 || catalogue == 17);
    QStringList models;
    for (PageId result = 23; result <= 56; ++result) {
        QVERIFY(open(result));
        if (page()->previousPageId == catalogue)
            models << shown();
    }
    bool offered = false;
    for (const QString &model : models)
        offered = offered || model.at(4).toUpper() == letter;
    QVERIFY2(offered, qPrintable(models.join(QLatin1Char(' '))));

    // No other page shows this type picture.
    for (PageId other = 131; other <= 137; ++other) {
        QVERIFY(open(other));
        QCOMPARE(shown() == picture, other == id);
    }
}

void TestProductPages::detailPagesOfOneModelDifferOnlyInPrevious()
{
    QList<PageId> previous;
    for (PageId id = 77; id <= 130; ++id) {
        QVERIFY(open(id));
        if (shown() != QLatin1String("/341ra_detial.jpg"))
            continue;
        QCOMPARE(shownButtons(page()), QStringLiteral("p-h"));
        QCOMPARE(page()->homePageId, HomePageId);
        QCOMPARE(page()->nextPageId, NoPageId);
        previous << page()->previousPageId;
    }
    std::sort(previous.begin(), previous.end());
    QCOMPARE(previous, (QList<PageId>{41, 43, 44, 57}));
}

QTEST_MAIN(TestProductPages)
#include "tst_productpages.moc"
