#include "shell/abstractquorvelwidget.h"
#include "shell/cachedpicture.h"

#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

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

    void pictureFollowsTheFile_data();
    void pictureFollowsTheFile();
    void unchangedFileIsDecodedOnce_data();
    void unchangedFileIsDecodedOnce();
    void settlingFileIsTimedOnceAndDecodedOnce_data();
    void settlingFileIsTimedOnceAndDecodedOnce();
    void fileTimesStayInRange_data();
    void fileTimesStayInRange();
    void stripesKeepTheirContrastAtRatioTwo();
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

bool writeFlat(const QString &path, Qt::GlobalColor colour)
{
    QImage picture(200, 120, QImage::Format_RGB32);
    picture.fill(colour);
    // Uncompressed: every colour gives a file of the same size.
    return picture.save(path, "PNG", 100);
}

// Sets a file's modification time that many seconds before now.
bool setAge(const QString &path, int seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime);
}

// Root reads any file through its capabilities; without them, for as long as
// this lives, it is held to a file's permissions like the guide's own user in
// a showroom. It stays root: another user might not be let into the folder
// that holds the pictures, a clone under /root or mktemp -d. Capabilities
// belong to a thread, and the page reads in this one.
class WithoutOverride
{
public:
#ifdef Q_OS_LINUX
    WithoutOverride()
    {
        if (syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved[0], saved[1]};
        lowered[0].effective &= ~Overrides;
        dropped = syscall(SYS_capset, &header, lowered) == 0;
    }
    ~WithoutOverride()
    {
        if (dropped && syscall(SYS_capset, &header, saved) != 0)
            qFatal("cannot take the capabilities back");
    }
    bool canBeRefused() const
    {
        __user_cap_header_struct now = {_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        return syscall(SYS_capget, &now, data) == 0 && (data[0].effective & Overrides) == 0;
    }

private:
    static constexpr quint32 Overrides = CAP_TO_MASK(CAP_DAC_OVERRIDE) | CAP_TO_MASK(CAP_DAC_READ_SEARCH);
    __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2] = {};
    bool dropped = false;
#else
    // Tried on Linux only; Windows has no permission that stops its owner
    // reading a file.
    bool canBeRefused() const
    {
        return false;
    }
#endif
};

// Whether a change to a file now falls in a later tick of the file system's
// clock than its last change: one within the same tick, a few milliseconds,
// could leave the stamp of a file that looks settled as it was. Writes probe.
bool inALaterTick(const QString &path, const QString &probe)
{
#ifdef Q_OS_UNIX
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly) || file.write("tick") != 4)
        return false;
    file.close();
    struct stat was;
    struct stat now;
    return ::stat(QFile::encodeName(path).constData(), &was) == 0
        && ::stat(QFile::encodeName(probe).constData(), &now) == 0
        && (now.st_ctim.tv_sec > was.st_ctim.tv_sec
            || (now.st_ctim.tv_sec == was.st_ctim.tv_sec && now.st_ctim.tv_nsec > was.st_ctim.tv_nsec));
#else
    Q_UNUSED(path)
    Q_UNUSED(probe)
    return true;
#endif
}

// Counts the picture cache's decodes, one line each in its logging category.
class DecodeCount
{
public:
    DecodeCount()
    {
        counted = 0;
        QLoggingCategory::setFilterRules(QStringLiteral("quorvel.picture.decode.debug=true"));
        previous = qInstallMessageHandler(count);
    }
    ~DecodeCount()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    }
    int decodes() const { return counted; }

private:
    static void count(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (qstrcmp(context.category, "quorvel.picture.decode") == 0)
            ++counted;
        else
            previous(type, context, message);
    }
    static int counted;
    static QtMessageHandler previous;
};

int DecodeCount::counted = 0;
QtMessageHandler DecodeCount::previous = nullptr;

struct RemovedAtEnd
{
    QString path;
    ~RemovedAtEnd()
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(path);
    }
};

// A picture of a test's own, none there at first, and the file its
// replacement is written to first; both gone at the end.
struct PictureFiles
{
    explicit PictureFiles(const QString &stem)
        : path(TestPictures::path(stem + QStringLiteral(".png"))),
          next(TestPictures::path(stem + QStringLiteral("-next.png")))
    {
        QFile::remove(path);
    }
    const QString path;
    const QString next;
    const RemovedAtEnd removed{path};
    const RemovedAtEnd removedNext{next};
};

enum Change { RewrittenSameSize, ReplacedByRename, Deleted, Appears, MadeUnreadable, MadeReadable, WrittenInHalves };

// Counts the paints that reach a widget, whoever asked for them.
class Paints : public QObject
{
public:
    explicit Paints(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// Counts the timer events of the page's own timers, and of the single-shot
// timers that Qt makes for anyone, from its creation on.
class TimerEvents : public QObject
{
public:
    explicit TimerEvents(QWidget *page)
        : page(page)
    {
        qApp->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Timer)
            return false;
        bool ours = qstrcmp(watched->metaObject()->className(), "QSingleShotTimer") == 0;
        for (QObject *object = watched; object && !ours; object = object->parent())
            ours = object == page;
        count += ours;
        return false;
    }

private:
    QWidget *page = nullptr;
};

} // namespace

Q_DECLARE_METATYPE(Change)

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
    // Just written: a second on, it has settled and shows.
    const ASecondLater settled;
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

void TestPageBase::pictureFollowsTheFile_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QRgb>("before");
    QTest::addColumn<QRgb>("after");

    const QRgb red = QColor(Qt::red).rgb();
    const QRgb blue = QColor(Qt::blue).rgb();
    QTest::newRow("rewritten in place, same size") << RewrittenSameSize << red << blue;
    QTest::newRow("replaced by rename") << ReplacedByRename << red << blue;
    QTest::newRow("deleted") << Deleted << red << Unpainted;
    QTest::newRow("appears") << Appears << Unpainted << blue;
    QTest::newRow("made unreadable") << MadeUnreadable << red << Unpainted;
    QTest::newRow("made readable") << MadeReadable << Unpainted << red;
    QTest::newRow("written in two halves") << WrittenInHalves << red << blue;
}

// The page keeps its decoded picture between paints, and shows the file as it
// is now once it has settled, by itself: nobody presses a kiosk left alone.
void TestPageBase::pictureFollowsTheFile()
{
    QFETCH(Change, change);
    QFETCH(QRgb, before);
    QFETCH(QRgb, after);

    const PictureFiles files(QStringLiteral("/follow"));
    const QString &path = files.path;
    const QString &next = files.next;
    if (change != Appears) {
        QVERIFY(writeFlat(path, Qt::red));
        QVERIFY(setAge(path, 3600));
    }
    if (change == MadeReadable)
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));

    AbstractQuorvelWidget page;
    page.setGeometry(0, 0, 1000, 600);
    page.setPicturePath(path);
    {
        WithoutOverride user;
        if (!user.canBeRefused() && (change == MadeUnreadable || change == MadeReadable))
            QSKIP("running as root, and cannot give up reading every file");
        // Changed over a second ago, the file is trusted to be what was
        // decoded while its stamp stays the same.
        const ASecondLater settled;
        QCOMPARE(renderWithoutBackground(page).pixel(500, 300), before);
    }
    if (change != Appears) {
        const QString probe = TestPictures::path(QStringLiteral("/follow-tick"));
        const RemovedAtEnd removedProbe{probe};
        QTRY_VERIFY_WITH_TIMEOUT(inALaterTick(path, probe), Patience::Ms);
    }
    QVERIFY(showAsWindow(page));
    const Paints paints(&page);

    switch (change) {
    case RewrittenSameSize: {
        QFile file(path);
        QVERIFY(writeFlat(next, Qt::blue));
        QFile replacement(next);
        QVERIFY(replacement.open(QIODevice::ReadOnly));
        QCOMPARE(replacement.size(), QFileInfo(path).size());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(replacement.readAll()), QFileInfo(path).size());
        break;
    }
    case ReplacedByRename:
        QVERIFY(writeFlat(next, Qt::blue));
#ifdef Q_OS_WIN
        // Windows renames onto a free name only.
        QVERIFY(QFile::remove(path));
#endif
        QVERIFY(::rename(QFile::encodeName(next).constData(), QFile::encodeName(path).constData()) == 0);
        break;
    case Deleted:
        QVERIFY(QFile::remove(path));
        break;
    case Appears:
        QVERIFY(writeFlat(path, Qt::blue));
        break;
    case MadeUnreadable:
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        break;
    case MadeReadable:
        QVERIFY(QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        break;
    case WrittenInHalves: {
        QVERIFY(writeFlat(next, Qt::blue));
        QFile replacement(next);
        QVERIFY(replacement.open(QIODevice::ReadOnly));
        const QByteArray bytes = replacement.readAll();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes.left(bytes.size() / 2)), bytes.size() / 2);
        QVERIFY(file.flush());
        // Half a file is not shown: the picture before it stays.
        QCOMPARE(renderWithoutBackground(page).pixel(500, 300), before);
        QCOMPARE(file.write(bytes.mid(bytes.size() / 2)), bytes.size() - bytes.size() / 2);
        break;
    }
    }

    // The page repaints by itself, and shows the file once it has settled,
    // within about a second.
    QTRY_VERIFY_WITH_TIMEOUT(paints.count > 0, Patience::Ms);
    WithoutOverride user;
    Q_UNUSED(user) // it acts by living, on Linux only
    QTRY_COMPARE_WITH_TIMEOUT(renderWithoutBackground(page).pixel(500, 300), after, Patience::Ms);
    QCOMPARE(renderWithoutBackground(page).pixel(500, 300), after);
}

void TestPageBase::unchangedFileIsDecodedOnce_data()
{
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("settled");
    QTest::addColumn<int>("decodes");

    QTest::newRow("an hour old") << 3600 << true << 1;
    QTest::newRow("an hour ahead") << -3600 << true << 1;
    // Written within the last second, it may still be being written: not
    // decoded, in part, at every paint, but once it has settled.
    QTest::newRow("just written") << 0 << false << 0;
    QTest::newRow("an hour old, just changed") << 3600 << false << 0;
}

void TestPageBase::unchangedFileIsDecodedOnce()
{
    QFETCH(int, ageSeconds);
    QFETCH(bool, settled);
    QFETCH(int, decodes);

    const QString path = TestPictures::path(QStringLiteral("/once.png"));
    QVERIFY(writeFlat(path, Qt::green));
    QVERIFY(setAge(path, ageSeconds));
    // Setting the time changes the file's status-change time to now.
    QScopedPointer<ASecondLater> later(settled ? new ASecondLater : nullptr);
    const DecodeCount count;
    CachedPicture cached;
    for (int paint = 0; paint < 3; ++paint) {
        const QImage picture = cached.picture(path, QSize(1000, 600));
        if (settled)
            QCOMPARE(picture.pixel(500, 300), QColor(Qt::green).rgb());
        else
            QVERIFY(picture.isNull());
    }
    QCOMPARE(count.decodes(), decodes);
    if (!settled)
        return;

    // Another size is another decode.
    QCOMPARE(cached.picture(path, QSize(2000, 1200)).size(), QSize(2000, 1200));
    QCOMPARE(count.decodes(), decodes + 1);
}

void TestPageBase::settlingFileIsTimedOnceAndDecodedOnce_data()
{
    QTest::addColumn<bool>("shownBefore"); // an old picture on show while the new one settles
    QTest::addColumn<int>("looks"); // at most: the timer's events

    QTest::newRow("rewritten in place") << true << 1;
    // The second half may come after the one look was set for the first, in
    // a later tick of the file system's clock: then one look more.
    QTest::newRow("appears in two halves") << false << 2;
}

// However often the page paints while its file settles, one timer waits for
// the settling, and the file is decoded once, when it has settled: never a
// half-written file, in part, at every paint.
void TestPageBase::settlingFileIsTimedOnceAndDecodedOnce()
{
    QFETCH(bool, shownBefore);
    QFETCH(int, looks);

    const PictureFiles files(QStringLiteral("/settling"));
    const QString &path = files.path;
    const QString &next = files.next;
    AbstractQuorvelWidget page;
    page.setGeometry(0, 0, 1000, 600);
    page.setPicturePath(path);
    if (shownBefore) {
        QVERIFY(writeFlat(path, Qt::red));
        QVERIFY(setAge(path, 3600));
        {
            const ASecondLater settled;
            QCOMPARE(renderWithoutBackground(page).pixel(500, 300), QColor(Qt::red).rgb());
        }
        const QString probe = TestPictures::path(QStringLiteral("/settling-tick"));
        const RemovedAtEnd removedProbe{probe};
        QTRY_VERIFY_WITH_TIMEOUT(inALaterTick(path, probe), Patience::Ms);
    }
    QVERIFY(showAsWindow(page));
    QVERIFY(writeFlat(next, Qt::blue));
    QFile replacement(next);
    QVERIFY(replacement.open(QIODevice::ReadOnly));
    const QByteArray bytes = replacement.readAll();

    const TimerEvents timers(&page);
    const DecodeCount count;
    constexpr int Paints = 10;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const qint64 first = shownBefore ? bytes.size() : bytes.size() / 2;
    QCOMPARE(file.write(bytes.left(first)), first);
    QVERIFY(file.flush());
    for (int paint = 0; paint < Paints; ++paint) {
        page.repaint();
        QCoreApplication::processEvents();
    }
    QCOMPARE(count.decodes(), 0);
    if (!shownBefore) {
        QCOMPARE(file.write(bytes.mid(first)), bytes.size() - first);
        QVERIFY(file.flush());
        for (int paint = 0; paint < Paints; ++paint) {
            page.repaint();
            QCoreApplication::processEvents();
        }
        QCOMPARE(count.decodes(), 0);
    }
    file.close();

    // The file shows by itself once settled; a timer of the settling's own
    // length, started after the last paint, comes after any that a paint
    // started.
    QTRY_COMPARE_WITH_TIMEOUT(renderWithoutBackground(page).pixel(500, 300), QColor(Qt::blue).rgb(), Patience::Ms);
    bool last = false;
    QTimer marker; // not the page's, and not counted
    marker.setSingleShot(true);
    connect(&marker, &QTimer::timeout, [&last] { last = true; });
    marker.start(CachedPicture::SettleMs);
    QTRY_VERIFY_WITH_TIMEOUT(last, Patience::Ms);
    QVERIFY2(timers.count >= 1 && timers.count <= looks, qPrintable(QString::number(timers.count)));
    QCOMPARE(count.decodes(), 1);
}

void TestPageBase::fileTimesStayInRange_data()
{
    QTest::addColumn<bool>("windows"); // 100 ns since 1601, else seconds and nanoseconds since 1970
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("nanoseconds"); // of the second, on Unix
    QTest::addColumn<qint64>("expected");

    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    constexpr qint64 From1601 = Q_INT64_C(11644473600) * 10000000;
    // A file system that keeps no such time gives 0: long ago, settled.
    QTest::newRow("Windows, zero") << true << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("Windows, negative") << true << qint64(-5) << qint64(0) << qint64(0);
    QTest::newRow("Windows, 1970") << true << From1601 << qint64(0) << qint64(0);
    QTest::newRow("Windows, a tick after 1970") << true << From1601 + 1 << qint64(0) << qint64(100);
    QTest::newRow("Windows, 2026") << true << From1601 + Q_INT64_C(17650000000000000) << qint64(0)
                                   << Q_INT64_C(1765000000000000000);
    QTest::newRow("Windows, the largest time") << true << Max << qint64(0) << Max;
    QTest::newRow("Unix, 2026") << false << Q_INT64_C(1765000000) << qint64(5) << Q_INT64_C(1765000000000000005);
    QTest::newRow("Unix, before 1970") << false << qint64(-10) << qint64(0) << Q_INT64_C(-10000000000);
    QTest::newRow("Unix, year 5000 and more") << false << Q_INT64_C(100000000000) << qint64(0) << Max;
    QTest::newRow("Unix, long before") << false << -Q_INT64_C(100000000000) << qint64(0) << -Max;
}

// A file's times, whatever they are, become nanoseconds without overflow.
void TestPageBase::fileTimesStayInRange()
{
    QFETCH(bool, windows);
    QFETCH(qint64, value);
    QFETCH(qint64, nanoseconds);
    QFETCH(qint64, expected);

    QCOMPARE(windows ? CachedPicture::nsSince1970(value) : CachedPicture::nsSince1970(value, nanoseconds), expected);
}

void TestPageBase::stripesKeepTheirContrastAtRatioTwo()
{
    // One-pixel columns, black and white, at twice the page's size.
    QImage stripes(2000, 1200, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x) {
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    }
    QVERIFY(stripes.save(TestPictures::path(QStringLiteral("/stripes.png"))));

    AbstractQuorvelWidget page;
    page.setGeometry(0, 0, 1000, 600);
    page.setPicturePath(pictureFile("/stripes.png"));
    const ASecondLater settled;
    QImage painted(2000, 1200, QImage::Format_RGB32);
    painted.setDevicePixelRatio(2);
    painted.fill(Unpainted);
    page.render(&painted, QPoint(), QRegion(), QWidget::RenderFlags());

    // Drawn pixel for pixel, not stretched from a decode at 1000 x 600.
    for (const int y : {0, 601, 1199}) {
        for (int x = 0; x < painted.width(); ++x)
            QCOMPARE(painted.pixel(x, y), stripes.pixel(x, y));
    }
}

QTEST_MAIN(TestPageBase)
#include "tst_pagebase.moc"
