#include "pages/catalogue.h"
#include "shell/basewidget.h"
#include "shell/topwatcher.h"
#include "tools/guidesurvey.h"

#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"
#include "support/touch.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// A finger does what a mouse does: every hot-spot, navigation button and row
// of the model list, on every page; and two fingers, or a finger and a mouse,
// never open a page nobody pressed for. A lifted finger leaves no hover wash.
class TestTouch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void tapOpensWhatAPressOpens_data();
    void tapOpensWhatAPressOpens();
    void tapChoosesAModelListRow_data();
    void tapChoosesAModelListRow();
    void fingersAndMouseTogether_data();
    void fingersAndMouseTogether();

private:
    Basewidget *window = nullptr;
};

namespace {

// Lets the event loop run until every request the home page has sent is
// carried out: a request the window ignores follows them round the watcher.
void settle(Basewidget &window)
{
    QEventLoop loop;
    bool back = false;
    QObject::connect(window.topWatcher(), &TopWatcher::sigOpen, &loop, [&](int id) {
        if (id == NoPageId) {
            back = true;
            loop.quit();
        }
    });
    QTimer::singleShot(Patience::Ms, &loop, &QEventLoop::quit);
    emit window.topWatcher()->sigSend(NoPageId);
    loop.exec();
    QVERIFY(back);
}

// The ids of the pages shown since the last call.
QVector<PageId> opened(PageLog &log)
{
    QVector<PageId> ids;
    for (const PageLog::Entry &entry : log.entries) {
        PageId id = entry.pageId;
        for (const PageId kept : {StartPageId, HomePageId, 14}) {
            if (entry.pageClass == GuideTest::pageClassOf(kept))
                id = kept;
        }
        ids.append(id);
    }
    log.entries.clear();
    return ids;
}

// The buttons and list that show the hover wash under the pointer now.
QStringList lit(Basewidget &window)
{
    QStringList names;
    for (QWidget *widget : window.page()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (widget->underMouse())
            names << QString::fromLatin1(widget->metaObject()->className());
    }
    return names;
}

// Places on the pages the scripts below press.
// clang-format off
const struct { const char *name; QPoint at; } places[] = {
    {"question", QPoint(265, 456)}, // home: the question tree's hot-spot
    {"feature", QPoint(711, 318)}, // home: the feature pictures' hot-spot
    {"list", QPoint(711, 125)}, // home: the model list
    {"picture", QPoint(100, 560)}, // no button on the pages scripted
    {"previous", GuideTest::PreviousButton},
    {"next", GuideTest::NextButton},
    {"home", GuideTest::HomeButton},
};
// clang-format on

QPoint place(const QString &name)
{
    for (const auto &known : places) {
        if (name == QLatin1String(known.name))
            return known.at;
    }
    qFatal("no place called %s", qPrintable(name));
}

} // namespace

void TestTouch::initTestCase()
{
    TestPictures::writeAll();
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
}

void TestTouch::cleanupTestCase()
{
    delete window;
}

void TestTouch::tapOpensWhatAPressOpens_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QPoint>("at");
    for (const GuideSurvey::Page &page : GuideSurvey::survey()) {
        for (const GuideSurvey::Button &button : page.buttons) {
            const QPoint at = button.rect.center();
            QString role = button.role;
            if (role == QLatin1String("hot-spot"))
                role += QStringLiteral(" at (%1, %2)").arg(at.x()).arg(at.y());
            QTest::addRow("page %d, %s", page.id, qPrintable(role)) << page.id << at;
        }
    }
}

void TestTouch::tapOpensWhatAPressOpens()
{
    QFETCH(int, page);
    QFETCH(QPoint, at);
    PageLog log(window);

    window->sltOpenWidget(page);
    opened(log);
    GuideTest::click(*window, at);
    settle(*window);
    const QVector<PageId> byMouse = opened(log);

    window->sltOpenWidget(page);
    opened(log);
    Fingers(window).tap(at);
    settle(*window);
    const QVector<PageId> byFinger = opened(log);

    QCOMPARE(byFinger, byMouse);
    QCOMPARE(byFinger.size(), 1);
    // Wherever the finger lifted, on the page it opened, nothing stays lit.
    QCOMPARE(lit(*window), QStringList());
}

void TestTouch::tapChoosesAModelListRow_data()
{
    QTest::addColumn<int>("row");
    for (int row = 1; row <= 20; ++row)
        QTest::addRow("row %d", row) << row;
}

void TestTouch::tapChoosesAModelListRow()
{
    QFETCH(int, row);
    PageLog log(window);
    window->sltOpenWidget(HomePageId);
    opened(log);
    auto *list = window->page()->findChild<QComboBox *>();
    Fingers(window).tap(list->geometry().center());
    QAbstractItemView *rows = list->view();
    QVERIFY(rows->isVisible());

    const QModelIndex index = list->model()->index(row, 0);
    rows->scrollTo(index);
    const QPoint at = rows->viewport()->mapTo(rows->window(), rows->visualRect(index).center());
    // A visitor reads the list before choosing; a release just after the list
    // opened would count for nothing, so the pause.
    QTest::qWait(QApplication::doubleClickInterval() + 20);
    Fingers(rows->window()).tap(at);
    settle(*window);

    QCOMPARE(opened(log), QVector<PageId>{Catalogue::FirstModelPage + row - 1});
}

void TestTouch::fingersAndMouseTogether_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QVector<PageId>>("opens");

    // "down 0 next": finger 0 lands on next; "up 0"; "slide 0 next"; "press
    // home", "release home": the mouse; "quick": from here each event is only
    // handed over, so that the home page's requests are still on their way.
    QTest::newRow("second finger on another hot-spot, first lifted first")
        << 1 << "down 0 question, down 1 feature, up 0, up 1" << QVector<PageId>{14};
    QTest::newRow("second finger on another hot-spot, second lifted first")
        << 1 << "down 0 question, down 1 feature, up 1, up 0" << QVector<PageId>{14};
    QTest::newRow("second finger on the page the first opened")
        << 122 << "down 0 previous, down 1 next, up 1, up 0" << QVector<PageId>{48};
    QTest::newRow("second finger on a button, first on the picture")
        << 61 << "down 0 picture, down 1 next, up 1, up 0" << QVector<PageId>{};
    QTest::newRow("tap while the home page's request is on its way")
        << 1 << "quick, down 0 question, up 0, down 0 feature, up 0" << QVector<PageId>{14, 2};
    QTest::newRow("finger slides from the button it pressed over the new page")
        << 122 << "down 0 previous, slide 0 next, slide 0 home, up 0" << QVector<PageId>{48};
    QTest::newRow("finger slides from a hot-spot over the model list")
        << 1 << "down 0 question, slide 0 list, up 0" << QVector<PageId>{14};
    QTest::newRow("finger held, mouse pressed elsewhere")
        << 61 << "down 0 next, press home, up 0, release home" << QVector<PageId>{81, 1};
    QTest::newRow("mouse held on the picture, finger taps")
        << 61 << "press picture, down 0 next, up 0, release picture" << QVector<PageId>{81};
    QTest::newRow("mouse held on a button, finger taps")
        << 61 << "press next, down 0 home, up 0, release next" << QVector<PageId>{81, 1};
    QTest::newRow("finger and mouse take turns")
        << 61 << "down 0 next, up 0, press previous, release previous, down 0 home, up 0" << QVector<PageId>{81, 61, 1};
}

void TestTouch::fingersAndMouseTogether()
{
    QFETCH(int, page);
    QFETCH(QString, script);
    QFETCH(QVector<PageId>, opens);

    PageLog log(window);
    window->sltOpenWidget(page);
    opened(log);
    {
        Fingers fingers(window);
        for (const QString &step : script.split(QLatin1String(", "))) {
            const QStringList words = step.split(QLatin1Char(' '));
            const QString &verb = words.first();
            if (verb == QLatin1String("quick"))
                fingers.letEventsRun = false;
            else if (verb == QLatin1String("down"))
                fingers.down(words.at(1).toInt(), place(words.at(2)));
            else if (verb == QLatin1String("slide"))
                fingers.move(words.at(1).toInt(), place(words.at(2)));
            else if (verb == QLatin1String("up"))
                fingers.up(words.at(1).toInt());
            else if (verb == QLatin1String("press"))
                GuideTest::press(*window, place(words.at(1)));
            else if (verb == QLatin1String("release"))
                GuideTest::release(*window, place(words.at(1)));
            else
                QFAIL(qPrintable(step));
        }
    }
    settle(*window);
    QCOMPARE(opened(log), opens);
    QCOMPARE(GuideTest::shownPageId(*window), opens.isEmpty() ? page : opens.last());
    QCOMPARE(lit(*window), QStringList());
}

QTEST_MAIN(TestTouch)
#include "tst_touch.moc"
