#include "shell/basewidget.h"
#include "shell/picturefile.h"

#include "measures/measures.h"
#include "measures/paintcounter.h"
#include "measures/processmemory.h"
#include "support/forgedpictures.h"
#include "support/guidetest.h"
#include "support/testpictures.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPushButton>
#include <QTest>

#include <random>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <ctime>

#include <sys/stat.h>
#include <unistd.h>
#endif

// Pictures that are broken, hostile or merely huge, in a page picture's place
// or an icon's: the page still opens, at once and without a flood of memory.
class TestHostilePictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void pageOpens_data();
    void pageOpens();

private:
    Basewidget *window = nullptr;
    QString replaced;
};

namespace {

enum Hostile {
    ZeroBytes,
    TruncatedJpeg,
    RandomBytes,
    Directory,
    Fifo, // opening one waits for a writer
    Device, // bytes without end
    Unreadable,
    PngNamedJpg,
    JpegOf30000Squared,
    PngOf30000Squared,
    PngBomb,
    CameraPhoto,
    ManyScans,
    OneBlockScans, // each scan costs its setting up, whatever its size
    TextBomb,
    HugeChunk,
    FuzzFinding,
    ScansBehindEmptyComment, // the scans a model that stopped at the comment never counted
    LumaOnlyScan, // every coefficient of a 10000 x 10000 frame held
    BadChecksums, // a warning each
    RepeatedPhys, // a warning each, every chunk valid
    TallPng, // 24 x 1,000,000: a million rows
    ArithmeticNoise, // 6000 x 4000: seconds of work, and no deadline stops it
};

enum Shows {
    Blank, // nothing: the window's own background
    TopOfIt, // what could be read of a picture cut short
    ThePicture,
    NoIcon, // the page's picture, with an empty home button face
    Unjudged, // whatever a decoder makes of it; the time and memory are the point
};

// Page 61 shows 363ku.jpg; its detail page 81 leads back to it.
const QString PagePicture = QStringLiteral("/363ku.jpg");
const QString Icon = QStringLiteral("/home_page.png");
constexpr PageId Page = 61;
constexpr PageId DetailPage = 81;

// A valid PNG header declaring 30,000 x 30,000 RGBA pixels (3.6 GB decoded),
// followed by a megabyte of compressed zeros.
QByteArray pngOf30000Squared()
{
    return ForgedPictures::pngHeader(30000, 30000, 6)
        + ForgedPictures::pngChunk("IDAT", ForgedPictures::zlib(QByteArray(1 << 20, '\0')))
        + ForgedPictures::pngChunk("IEND", QByteArray());
}

// A PNG bomb: 8,192 x 8,192 RGB pixels of black, under 0.2 MB on disk. Its
// 67 megapixels take 268 MB decoded; Qt itself refuses only images over 2 GB.
QByteArray pngBomb()
{
    constexpr int Side = 8192;
    // Each row: filter type 0, then the row's bytes.
    return ForgedPictures::pngHeader(Side, Side, 2)
        + ForgedPictures::pngChunk("IDAT", ForgedPictures::zlib(QByteArray(Side * (1 + Side * 3), '\0')))
        + ForgedPictures::pngChunk("IEND", QByteArray());
}

// A small baseline JPEG whose frame header is changed to 30,000 x 30,000.
QByteArray jpegOf30000Squared(const QColor &colour)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(colour);
    return ForgedPictures::jpegClaiming(image, 30000, 30000);
}

// The top half in the picture's colour, the bottom in another, cut short
// partway into the top half's data.
QByteArray truncatedJpeg(const QColor &top)
{
    QImage image(PageSize, QImage::Format_RGB32);
    image.fill(QColor(255 - top.red(), 255 - top.green(), 255 - top.blue()));
    for (int y = 0; y < image.height() / 2; ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, top.rgb());
    }
    const QByteArray whole = ForgedPictures::encoded(image, "jpeg", 95);
    return whole.left(whole.size() * 2 / 5);
}

QByteArray randomBytes()
{
    std::mt19937 random(6);
    QByteArray bytes(100000, '\0');
    for (char &byte : bytes)
        byte = char(random());
    return bytes;
}

// What a camera writes: 6,000 x 4,000, progressive, the colour of the picture
// it stands in for with a little grain over it.
QByteArray cameraPhoto(const QColor &colour)
{
    QImage image(6000, 4000, QImage::Format_RGB32);
    std::mt19937 random(4000);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random() % 7) - 3;
            line[x] = qRgb(qBound(0, colour.red() + grain, 255), qBound(0, colour.green() + grain, 255),
                           qBound(0, colour.blue() + grain, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The time the guide's own thread worked: a kiosk has its cores to itself, a
// test machine may not.
qint64 threadCpuMs()
{
#ifdef Q_OS_WIN
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return -1;
    const auto ms
        = [](const FILETIME &time) { return ((qint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000; };
    return ms(kernel) + ms(user);
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
}

// What the system cannot put in a picture's place; empty where it can.
QString unplantable(int hostile)
{
#ifdef Q_OS_WIN
    switch (hostile) {
    case Fifo:
        return QStringLiteral("Windows has no FIFOs in its folders");
    case Device:
        return QStringLiteral("Windows has no /dev/zero, and a link to a device needs a privilege");
    case Unreadable:
        return QStringLiteral("Qt's permissions on Windows set only the read-only attribute: the file stays readable");
    }
#else
    Q_UNUSED(hostile)
#endif
    return QString();
}

// Puts the hostile thing where the picture name is read from.
bool plant(Hostile hostile, const QString &name, const QString &finding)
{
    const QString path = TestPictures::path(name);
    const QColor colour = TestPictures::colourOf(name);
    QFile::remove(path);
    switch (hostile) {
    case ZeroBytes:
        return writeFile(path, QByteArray());
    case TruncatedJpeg:
        return writeFile(path, truncatedJpeg(colour));
    case RandomBytes:
        return writeFile(path, randomBytes());
    case Directory:
        return QDir().mkdir(path);
#ifdef Q_OS_WIN
    case Fifo:
    case Device:
        return false;
#else
    case Fifo:
        return mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    case Device:
        return QFile::link(QStringLiteral("/dev/zero"), path);
#endif
    case Unreadable:
        TestPictures::write(name, QFileInfo(path).path());
        return QFile::setPermissions(path, QFileDevice::WriteOwner);
    case PngNamedJpg: {
        QImage image(PageSize, QImage::Format_RGB32);
        image.fill(colour);
        return writeFile(path, ForgedPictures::encoded(image, "png"));
    }
    case JpegOf30000Squared:
        return writeFile(path, jpegOf30000Squared(colour));
    case PngOf30000Squared:
        return writeFile(path, pngOf30000Squared());
    case PngBomb:
        return writeFile(path, pngBomb());
    case ManyScans:
        return writeFile(path, ForgedPictures::progressiveScans(4096, 4096, 3000));
    case OneBlockScans:
        return writeFile(path, ForgedPictures::progressiveScans(8, 8, 2000000));
    case TextBomb:
        return writeFile(path, ForgedPictures::pngWithCompressedText(900));
    case HugeChunk:
        return writeFile(path, ForgedPictures::pngClaimingAHugeChunk());
    case FuzzFinding:
        return QFile::copy(finding, path);
    case ScansBehindEmptyComment:
        return writeFile(path, ForgedPictures::progressiveScans(4096, 4096, 1400, true));
    case LumaOnlyScan:
        return writeFile(path, ForgedPictures::lumaOnlyScan(10000, 10000));
    case BadChecksums:
        return writeFile(path, ForgedPictures::pngWithRepeatedChunk(300000, "teXt", QByteArray(), true));
    case RepeatedPhys:
        return writeFile(
            path,
            ForgedPictures::pngWithRepeatedChunk(300000, "pHYs", QByteArray::fromHex("000000010000000100"), false));
    case TallPng:
        return writeFile(path, ForgedPictures::tallPng(24, 1000000));
    case ArithmeticNoise:
        return writeFile(path, ForgedPictures::arithmeticCoded(6000, 4000, 4 << 20));
    case CameraPhoto: {
        const QByteArray photo = cameraPhoto(colour);
        // A progressive frame's marker; scan data never holds it unescaped.
        return photo.contains(QByteArray::fromHex("ffc2")) && writeFile(path, photo);
    }
    }
    return false;
}

} // namespace

void TestHostilePictures::initTestCase()
{
    TestPictures::writeAll();
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
}

void TestHostilePictures::cleanupTestCase()
{
    delete window;
}

void TestHostilePictures::cleanup()
{
    // Puts the set's own picture back, with the page that watches it gone
    // first: Windows deletes no folder that is watched.
    window->sltOpenWidget(DetailPage);
    const QString path = TestPictures::path(replaced);
    QDir(path).removeRecursively();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(path);
    TestPictures::write(replaced, QFileInfo(path).path());
}

void TestHostilePictures::pageOpens_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("hostile");
    QTest::addColumn<int>("shows");
    QTest::addColumn<int>("withinMs");
    QTest::addColumn<int>("withinMb");
    QTest::addColumn<QString>("finding"); // a fuzz finding's file, for FuzzFinding

#ifdef Q_OS_WIN
    const int unreadableShows = Blank; // not planted there
#else
    // As root the permission is no bar: the picture shows.
    const int unreadableShows = geteuid() == 0 ? ThePicture : Blank;
#endif

    QTest::newRow("page, zero bytes") << PagePicture << int(ZeroBytes) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, truncated JPEG")
        << PagePicture << int(TruncatedJpeg) << int(TopOfIt) << 200 << 100 << QString();
    QTest::newRow("page, random bytes") << PagePicture << int(RandomBytes) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, a directory") << PagePicture << int(Directory) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, a FIFO") << PagePicture << int(Fifo) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, a link to /dev/zero") << PagePicture << int(Device) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, no read permission")
        << PagePicture << int(Unreadable) << unreadableShows << 200 << 100 << QString();
    QTest::newRow("page, PNG named .jpg")
        << PagePicture << int(PngNamedJpg) << int(ThePicture) << 200 << 100 << QString();
    QTest::newRow("page, JPEG header of 30000 x 30000")
        << PagePicture << int(JpegOf30000Squared) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, PNG header of 30000 x 30000")
        << PagePicture << int(PngOf30000Squared) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, PNG bomb of 8192 x 8192")
        << PagePicture << int(PngBomb) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, progressive 6000 x 4000 camera photo")
        << PagePicture << int(CameraPhoto) << int(ThePicture) << 1000 << 300 << QString();
    QTest::newRow("page, progressive JPEG of 3000 scans")
        << PagePicture << int(ManyScans) << int(Blank) << 1000 << 300 << QString();
    QTest::newRow("page, progressive JPEG of 2000000 one-block scans")
        << PagePicture << int(OneBlockScans) << int(Unjudged) << 1000 << 300 << QString();
    QTest::newRow("page, PNG of 900 compressed texts")
        << PagePicture << int(TextBomb) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, 70-byte PNG claiming a 1 GB chunk")
        << PagePicture << int(HugeChunk) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, 1400 scans behind an empty comment")
        << PagePicture << int(ScansBehindEmptyComment) << int(Blank) << 1000 << 300 << QString();
    QTest::newRow("page, 10000 x 10000 JPEG whose scan leaves out two components")
        << PagePicture << int(LumaOnlyScan) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, PNG of 300000 chunks with bad checksums")
        << PagePicture << int(BadChecksums) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, PNG of 300000 pHYs chunks")
        << PagePicture << int(RepeatedPhys) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, PNG of 24 x 1000000") << PagePicture << int(TallPng) << int(Blank) << 200 << 100 << QString();
    QTest::newRow("page, arithmetic-coded 6000 x 4000 of noise")
        << PagePicture << int(ArithmeticNoise) << int(Blank) << 200 << 100 << QString();

    QTest::newRow("icon, zero bytes") << Icon << int(ZeroBytes) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, random bytes") << Icon << int(RandomBytes) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, a directory") << Icon << int(Directory) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, a FIFO") << Icon << int(Fifo) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, JPEG header of 30000 x 30000")
        << Icon << int(JpegOf30000Squared) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, PNG header of 30000 x 30000")
        << Icon << int(PngOf30000Squared) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, PNG bomb of 8192 x 8192") << Icon << int(PngBomb) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, PNG of 900 compressed texts")
        << Icon << int(TextBomb) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, 70-byte PNG claiming a 1 GB chunk")
        << Icon << int(HugeChunk) << int(NoIcon) << 200 << 100 << QString();
    QTest::newRow("icon, 1400 scans behind an empty comment")
        << Icon << int(ScansBehindEmptyComment) << int(NoIcon) << 300 << 100 << QString();
    QTest::newRow("icon, PNG of 300000 chunks with bad checksums")
        << Icon << int(BadChecksums) << int(NoIcon) << 200 << 100 << QString();

    // What the fuzzer found or was seeded with, replayed here too: as a page
    // within the bound of a switch, as an icon within an icon's.
    const QFileInfoList findings
        = QDir(QStringLiteral(QUORVEL_FUZZ_REGRESSIONS)).entryInfoList(QDir::Files, QDir::Name);
    QVERIFY(!findings.isEmpty());
    for (const QFileInfo &finding : findings) {
        const QByteArray file = finding.fileName().toUtf8();
        QTest::newRow(("page, fuzz finding " + file).constData())
            << PagePicture << int(FuzzFinding) << int(Unjudged) << 1000 << 300 << finding.filePath();
        QTest::newRow(("icon, fuzz finding " + file).constData())
            << Icon << int(FuzzFinding) << int(Unjudged) << 200 << 100 << finding.filePath();
    }
}

void TestHostilePictures::pageOpens()
{
    QFETCH(QString, name);
    QFETCH(int, hostile);
    QFETCH(int, shows);
    QFETCH(int, withinMs);
    QFETCH(int, withinMb);
    QFETCH(QString, finding);

    replaced = name;
    const QString notHere = unplantable(hostile);
    if (!notHere.isEmpty())
        QSKIP(qPrintable(notHere));
    QVERIFY(plant(Hostile(hostile), name, finding));
    window->sltOpenWidget(DetailPage);
    QTRY_VERIFY(TestPictures::shownPicture(window) != PagePicture);

    // From pressing "previous" on the detail page until the page has painted.
    const PaintCounter paints(window);
    ProcessMemory::PeakWatch watch;
    const qint64 before = ProcessMemory::residentKb();
    QElapsedTimer switching;
    switching.start();
    const qint64 cpuBefore = threadCpuMs();
    QVERIFY(cpuBefore >= 0);
    GuideTest::press(*window, GuideTest::PreviousButton);
    while (paints.count() == 0 && switching.elapsed() < 10000)
        QCoreApplication::processEvents();
    const qint64 took = threadCpuMs() - cpuBefore;
    const qint64 peak = watch.peakKb();
    GuideTest::release(*window, GuideTest::PreviousButton);

    qInfo("opened in %lld ms of processor time (%lld ms on the clock); resident %lld KiB before, at most %lld KiB "
          "while opening",
          took, switching.elapsed(), before, peak);
    QCOMPARE(window->page()->pageId, Page);
    QVERIFY(paints.count() > 0);
    // The sanitizers make every decode a few times slower.
    const qint64 allowedMs = ProcessMemory::underAddressSanitizer() ? 3 * withinMs : withinMs;
    QVERIFY2(took < allowedMs, qPrintable(QString::number(took)));
    QVERIFY(watch.watching());
    // The sanitizer's shadow and quarantine come on top of what the guide
    // takes; so do Windows' own libraries, and Wine's, which hold twice what
    // Linux's do before the switch.
#ifdef Q_OS_WIN
    const qint64 allowedKb = qint64(withinMb) * 1024 + before;
#else
    const qint64 allowedKb = qint64(withinMb) * 1024 + (ProcessMemory::underAddressSanitizer() ? before : 0);
#endif
    QVERIFY2(peak < allowedKb, qPrintable(QString::number(peak)));

    const QImage shown = window->grab().toImage();
    const QColor corner = shown.pixel(2, 597);
    const QColor background = window->palette().color(QPalette::Window);
    switch (shows) {
    case Blank:
        QVERIFY2(Measures::colourDistance(corner, background) == 0, qPrintable(corner.name()));
        break;
    case TopOfIt:
        QVERIFY2(Measures::colourDistance(shown.pixel(2, 2), TestPictures::colourOf(name)) < Measures::SameColour,
                 qPrintable(QColor(shown.pixel(2, 2)).name()));
        break;
    case ThePicture:
        QCOMPARE(TestPictures::shownPicture(window), name);
        break;
    case NoIcon:
        QCOMPARE(TestPictures::shownPicture(window), PagePicture);
        QVERIFY(window->page()->btnHome->icon().isNull());
        QVERIFY(window->page()->btnHome->isVisible());
        break;
    case Unjudged:
        break;
    }
}

QTEST_MAIN(TestHostilePictures)
#include "tst_hostilepictures.moc"
