#include "shell/basewidget.h"
#include "shell/picturefile.h"

#include "measures/measures.h"
#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"
#include "tools/preview.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

// The live preview: the real window reading a designer's folder, every button
// and the model list of the page on show outlined in its role's colour and
// labelled, presses passing through the outlines to the page, and a picture
// saved into the folder on screen without a press.
class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void outlinesEveryButtonOfThePage_data();
    void outlinesEveryButtonOfThePage();
    void pressesWorkAsInTheGuide();
    void savedPictureShowsWithoutAPress();

private:
    QTemporaryDir folder;
    Basewidget *window = nullptr;
    Preview *preview = nullptr;
};

namespace {

QColor roleColour(const QString &role)
{
    if (role == QLatin1String("hot-spot"))
        return QColor(0xff, 0x2d, 0x95);
    if (role == QLatin1String("list"))
        return QColor(0x00, 0xc8, 0xff);
    return QColor(0x3d, 0xdc, 0x84);
}

bool near(QRgb pixel, const QColor &colour)
{
    return Measures::colourDistance(QColor(pixel), colour) < 40;
}

// The label beside an outline: a tag in the outline's colour with dark text on it.
bool hasLabel(const QImage &image, const QRect &rect, const QColor &colour)
{
    const QRect tag = rect.height() <= 50 ? QRect(rect.left(), rect.bottom() + 4, 40, 16)
                                          : QRect(rect.left() + 4, rect.top() + 4, 40, 16);
    int filled = 0;
    int dark = 0;
    for (int y = tag.top(); y <= tag.bottom(); ++y) {
        for (int x = qMax(0, tag.left()); x <= qMin(999, tag.right()); ++x) {
            const QRgb pixel = image.pixel(qMin(x, image.width() - 1), qMin(y, image.height() - 1));
            filled += near(pixel, colour);
            dark += qGray(pixel) < 60;
        }
    }
    return filled > 100 && dark > 10;
}

// Checks each outline of the page on show, as drawn on image.
void checkOutlines(const QImage &image, const GuideSurvey::Page &page)
{
    QVERIFY(!page.buttons.isEmpty() || !page.rows.isEmpty());
    for (const GuideSurvey::Button &button : page.buttons) {
        const QColor colour = roleColour(button.role);
        const QRect &r = button.rect;
        const QString where = QStringLiteral("%1 at %2,%3").arg(button.role).arg(r.x()).arg(r.y());
        for (const QPoint &edge : {QPoint(r.left() + 1, r.center().y()), QPoint(r.right() - 1, r.center().y()),
                                   QPoint(r.center().x(), r.bottom() - 1)})
            QVERIFY2(near(image.pixel(edge), colour), qPrintable(where));
        QVERIFY2(hasLabel(image, r, colour), qPrintable(where));
    }
    if (!page.rows.isEmpty())
        QVERIFY(near(image.pixel(page.listRect.left() + 1, page.listRect.center().y()), roleColour("list")));
}

// What the window system was last given to show, not a fresh rendering.
QImage onScreen(Basewidget *window)
{
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

void TestPreview::initTestCase()
{
    // The home page logs each change of its model list, which the survey makes.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QVERIFY(folder.isValid());
    TestPictures::writeAll(folder.path());
    setPictureFolder(folder.path());
}

void TestPreview::init()
{
    window = new Basewidget;
    preview = new Preview(folder.path(), window);
    QVERIFY(GuideTest::showHome(*window));
}

void TestPreview::cleanup()
{
    delete window;
    window = nullptr;
    preview = nullptr;
}

void TestPreview::outlinesEveryButtonOfThePage_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("home, with the model list") << 1;
    QTest::newRow("the first question") << 14;
    QTest::newRow("a question of the second layer") << 15;
    QTest::newRow("a feature page") << 2;
    QTest::newRow("a result page") << 23;
    QTest::newRow("a model page") << 61;
    QTest::newRow("a detail page") << 77;
}

void TestPreview::outlinesEveryButtonOfThePage()
{
    QFETCH(int, page);
    window->sltOpenWidget(page);
    QCOMPARE(preview->shownPage(), page);
    const QImage image = window->grab().toImage();
    // The page's own picture, from the folder, under the outlines.
    QCOMPARE(TestPictures::shownPicture(window), preview->surveyed(page).picture);
    checkOutlines(image, preview->surveyed(page));
}

void TestPreview::pressesWorkAsInTheGuide()
{
    // Home, a hot-spot, then the question's own buttons, each through the outlines.
    for (int step = 0; step < 3; ++step) {
        const GuideSurvey::Page &page = preview->surveyed(preview->shownPage());
        const GuideSurvey::Button &button = page.buttons.first();
        QVERIFY(button.target != NoPageId);
        GuideTest::click(*window, button.rect.center());
        QTRY_COMPARE_WITH_TIMEOUT(preview->shownPage(), button.target, Patience::Ms);
        // The outlines follow, over the new page.
        QTRY_VERIFY_WITH_TIMEOUT(
            near(onScreen(window).pixel(preview->surveyed(button.target).buttons.first().rect.left() + 1,
                                        preview->surveyed(button.target).buttons.first().rect.center().y()),
                 roleColour(preview->surveyed(button.target).buttons.first().role)),
            Patience::Ms);
        checkOutlines(window->grab().toImage(), preview->surveyed(button.target));
    }
}

void TestPreview::savedPictureShowsWithoutAPress()
{
    window->sltOpenWidget(14);
    const QString name = preview->surveyed(14).picture;
    const QPoint corner(TestPictures::CornerX, window->height() - TestPictures::CornerFromBottom);
    QTRY_VERIFY_WITH_TIMEOUT(near(onScreen(window).pixel(corner), TestPictures::colourOf(name)), Patience::Ms);

    // Saved as an editor saves: written beside, then renamed over the old one.
    QImage white(PageSize, QImage::Format_RGB32);
    white.fill(Qt::white);
    const QString path = folder.path() + name;
    QVERIFY(white.save(path + QStringLiteral(".new"), "JPEG"));
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::rename(path + QStringLiteral(".new"), path));
    QTRY_VERIFY_WITH_TIMEOUT(near(onScreen(window).pixel(corner), Qt::white), Patience::Ms);

    // And once more, written in place.
    TestPictures::write(name, folder.path());
    QTRY_VERIFY_WITH_TIMEOUT(near(onScreen(window).pixel(corner), TestPictures::colourOf(name)), Patience::Ms);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
