#include "shell/basewidget.h"

#include "measures/measures.h"
#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QTest>

// What a visitor sees of the buttons: see-through hot-spots over the picture,
// a faint wash under the pointer where the page asks for it.
class TestLooks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void buttonsOverThePicture_data();
    void buttonsOverThePicture();

private:
    Basewidget *window = nullptr;
};

namespace {

enum Look { SeeThrough, Washed, ButtonFace };

QColor washed(const QColor &picture)
{
    const auto wash = [](int channel) { return (channel * 205 + 255 * 50) / 255; };
    return QColor(wash(picture.red()), wash(picture.green()), wash(picture.blue()));
}

} // namespace

void TestLooks::initTestCase()
{
    TestPictures::writeAll();
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
}

void TestLooks::cleanupTestCase()
{
    delete window;
}

void TestLooks::buttonsOverThePicture_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("hover");
    QTest::addColumn<int>("look");

    QTest::newRow("home, feature area") << 1 << QPoint(711, 318) << false << int(SeeThrough);
    QTest::newRow("home, feature area under the pointer") << 1 << QPoint(711, 318) << true << int(Washed);
    QTest::newRow("home, question area under the pointer") << 1 << QPoint(265, 456) << true << int(Washed);
    QTest::newRow("yes, under the pointer") << 14 << QPoint(350, 340) << true << int(SeeThrough);
    QTest::newRow("question, previous button's edge") << 14 << QPoint(851, 1) << false << int(SeeThrough);
    QTest::newRow("group choice") << 15 << QPoint(150, 330) << true << int(SeeThrough);
    QTest::newRow("catalogue, type button") << 16 << QPoint(90, 130) << false << int(SeeThrough);
    QTest::newRow("catalogue, model") << 17 << QPoint(340, 130) << true << int(SeeThrough);
    QTest::newRow("code group, model") << 20 << QPoint(260, 250) << false << int(SeeThrough);
    QTest::newRow("model page, next button's edge") << 61 << QPoint(901, 1) << false << int(SeeThrough);
    QTest::newRow("model page, next under the pointer") << 61 << QPoint(901, 1) << true << int(Washed);
    QTest::newRow("detail page, previous under the pointer") << 81 << QPoint(851, 1) << true << int(SeeThrough);
    QTest::newRow("feature page, Qt's own button") << 5 << QPoint(901, 1) << false << int(ButtonFace);
}

void TestLooks::buttonsOverThePicture()
{
    QFETCH(int, page);
    QFETCH(QPoint, point);
    QFETCH(bool, hover);
    QFETCH(int, look);

    QTest::mouseMove(window->windowHandle(), QPoint(2, 597));
    window->sltOpenWidget(page);
    const QColor picture = TestPictures::colourOf(TestPictures::shownPicture(window));
    QVERIFY(picture.isValid());
    if (hover)
        QTest::mouseMove(window->windowHandle(), point);

    const QColor seen(window->grab().toImage().pixel(point));
    switch (look) {
    case SeeThrough:
        QVERIFY2(Measures::colourDistance(seen, picture) < 12,
                 qPrintable(seen.name() + QLatin1String(" over ") + picture.name()));
        break;
    case Washed:
        QVERIFY2(Measures::colourDistance(seen, washed(picture)) < 12,
                 qPrintable(seen.name() + QLatin1String(" over ") + picture.name()));
        break;
    case ButtonFace:
        QVERIFY2(Measures::colourDistance(seen, picture) > 24,
                 qPrintable(seen.name() + QLatin1String(" over ") + picture.name()));
        break;
    }
}

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
