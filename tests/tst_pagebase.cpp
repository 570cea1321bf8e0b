#include "shell/abstractquorvelwidget.h"

#include "support/testpictures.h"

#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// The page base on its own, shown as a 1000 x 600 window of its own.
class TestPageBase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void navigationTargets_data();
    void navigationTargets();
    void navigationTargetsNeverShowAButton();

    void buttonsActOnPress_data();
    void buttonsActOnPress();

    void iconSize_data();
    void iconSize();

    void pictureFillsThePage_data();
    void pictureFillsThePage();
    void missingPictureLeavesPageUnpaintedAndButtonsWorking();
};

namespace {

constexpr QRgb Unpainted = 0xffff00ff;

QImage renderWithoutBackground(QWidget &page)
{
    QImage image(page.size(), QImage::Format_RGB32);
    image.fill(Unpainted);
    page.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

bool showAsWindow(AbstractQuorvelWidget &page)
{
    page.setGeometry(0, 0, 1000, 600);
    page.show();
    return QTest::qWaitForWindowExposed(&page);
}

} // namespace

void TestPageBase::initTestCase()
{
    TestPictures::writeAll();
}

void TestPageBase::navigationTargets_data()
{
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("home");

    QTest::newRow("all targets") << 16 << 97 << 1;
    QTest::newRow("none, as on the start page") << -1 << -1 << -1;
    QTest::newRow("next hidden") << 1 << -1 << 1;
    QTest::newRow("previous hidden") << -1 << 77 << 1;
    QTest::newRow("home hidden") << 3 << 5 << -1;
    QTest::newRow("zero is a target") << 0 << 0 << 0;
}

void TestPageBase::navigationTargets()
{
    QFETCH(int, previous);
    QFETCH(int, next);
    QFETCH(int, home);

    AbstractQuorvelWidget page;
    page.setNavigationTargets(previous, next, home);

    QCOMPARE(page.btnPrevious->isHidden(), previous == NoPageId);
    QCOMPARE(page.btnNext->isHidden(), next == NoPageId);
    QCOMPARE(page.btnHome->isHidden(), home == NoPageId);
}

void TestPageBase::navigationTargetsNeverShowAButton()
{
    AbstractQuorvelWidget page;
    page.setNavigationTargets(-1, -1, -1);
    page.setNavigationTargets(1, 2, 3);
    QVERIFY(page.btnPrevious->isHidden());
    QVERIFY(page.btnNext->isHidden());
    QVERIFY(page.btnHome->isHidden());
}

void TestPageBase::buttonsActOnPress_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("expected");

    QTest::newRow("previous, centre") << QPoint(875, 25) << 10;
    QTest::newRow("previous, first pixel") << QPoint(850, 0) << 10;
    QTest::newRow("next, centre") << QPoint(925, 25) << 20;
    QTest::newRow("next, last pixel") << QPoint(949, 49) << 20;
    QTest::newRow("home, centre") << QPoint(975, 25) << 30;
    QTest::newRow("home, last pixel") << QPoint(999, 49) << 30;
    QTest::newRow("left of previous") << QPoint(849, 25) << NoPageId;
    QTest::newRow("below home") << QPoint(975, 50) << NoPageId;
}

void TestPageBase::buttonsActOnPress()
{
    QFETCH(QPoint, point);
    QFETCH(int, expected);

    AbstractQuorvelWidget page;
    page.setNavigationTargets(10, 20, 30);
    QVERIFY(showAsWindow(page));
    QSignalSpy requests(&page, SIGNAL(sigOpenWidget(int)));

    QTest::mousePress(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
    if (expected == NoPageId) {
        QCOMPARE(requests.count(), 0);
    } else {
        QCOMPARE(requests.count(), 1);
        QCOMPARE(requests.at(0).at(0).toInt(), expected);
    }
    QTest::mouseRelease(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, point);
    QCOMPARE(requests.count(), expected == NoPageId ? 0 : 1);
}

void TestPageBase::iconSize_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("iconSize");
    QTest::addColumn<QSize>("pixmap");

    QTest::newRow("80 x 40 is fitted") << QSize(80, 40) << QSize(80, 40) << QSize(50, 25);
    QTest::newRow("30 x 30 keeps its size") << QSize(30, 30) << QSize(30, 30) << QSize(50, 50);
    QTest::newRow("50 x 50 as it is") << QSize(50, 50) << QSize(50, 50) << QSize(50, 50);
    QTest::newRow("tall 40 x 200") << QSize(40, 200) << QSize(40, 200) << QSize(10, 50);
    QTest::newRow("missing") << QSize() << QSize(0, 0) << QSize();
}

void TestPageBase::iconSize()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, iconSize);
    QFETCH(QSize, pixmap);

    const QString path = TestPictures::path(QStringLiteral("/next_page.png"));
    QFile::remove(path);
    if (picture.isValid()) {
        QImage image(picture, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path));
    }

    AbstractQuorvelWidget page;
    QCOMPARE(page.btnNext->iconSize(), iconSize);
    const QList<QSize> sizes = page.btnNext->icon().availableSizes();
    QCOMPARE(sizes.isEmpty() ? QSize() : sizes.first(), pixmap);

    TestPictures::writeAll();
}

void TestPageBase::pictureFillsThePage_data()
{
    QTest::addColumn<QSize>("size");

    QTest::newRow("page size") << QSize(1000, 600);
    QTest::newRow("tiny") << QSize(3, 2);
    QTest::newRow("wide") << QSize(4000, 100);
    QTest::newRow("tall") << QSize(100, 3000);
}

void TestPageBase::pictureFillsThePage()
{
    QFETCH(QSize, size);

    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(TestPictures::path(QStringLiteral("/fill.png"))));

    AbstractQuorvelWidget page;
    page.setGeometry(0, 0, 1000, 600);
    page.setPicturePath(pictureFile("/fill.png"));
    const QImage painted = renderWithoutBackground(page);
    for (const QPoint corner : {QPoint(0, 599), QPoint(999, 599), QPoint(0, 60), QPoint(500, 300)})
        QCOMPARE(painted.pixel(corner), QColor(Qt::blue).rgb());
}

void TestPageBase::missingPictureLeavesPageUnpaintedAndButtonsWorking()
{
    AbstractQuorvelWidget page;
    page.setNavigationTargets(10, 20, 30);
    page.setPicturePath(pictureFile("/no-such-picture.jpg"));
    QVERIFY(showAsWindow(page));

    const QImage painted = renderWithoutBackground(page);
    QCOMPARE(painted.pixel(500, 300), Unpainted);
    QCOMPARE(painted.pixel(0, 599), Unpainted);

    QSignalSpy requests(&page, SIGNAL(sigOpenWidget(int)));
    QTest::mousePress(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(925, 25));
    QTest::mouseRelease(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(925, 25));
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toInt(), 20);
}

QTEST_MAIN(TestPageBase)
#include "tst_pagebase.moc"
