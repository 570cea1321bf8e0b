#include "shell/basewidget.h"
#include "shell/picturefile.h"

#include "measures/measures.h"
#include "measures/paintcounter.h"
#include "measures/processmemory.h"
#include "support/forgedpictures.h"
#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <random>
#include <thread>

#ifndef Q_OS_WIN
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
    void readingsOnTwoThreadsCountTheirOwnWarnings();

private:
    // Every file here is written just before it is read: the guide's wait
    // for a changing file to settle is another test's subject.
    const ASecondLater settledFiles;
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
    SmoothArithmetic, // 4000 x 3000, as an encoder writes a smooth picture in arithmetic coding
};

// What decided the file's fate: the reading's own report, read again by the
// test as the guide reads it.
enum Bound {
    NoBound, // read whole and shown
    Headers, // refused before a byte was decoded: not a plain file, not a picture, too large a frame
    Work, // a JPEG's scans past their multiple of an honest picture's
    Memory,
    Warnings,
    DecoderGaveUp,
};

enum Shows {
    Blank, // nothing: the window's own background
    TopOfIt, // what could be read of a picture cut short
    ThePicture,
    ItsOwnPicture, // a forged file's own content, not the set's colour: anything but blank
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
    return ForgedPictures::encoded(image, "jpeg", 90, true);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// How the reading of the planted file went, told in the table's terms.
Bound boundOf(const PictureReading &reading)
{
    switch (reading.verdict) {
    case PictureReading::Shown:
        return NoBound;
    case PictureReading::Unreadable:
    case PictureReading::NotJpegOrPng:
    case PictureReading::OverBudget:
        return Headers;
    case PictureReading::Damaged:
        return DecoderGaveUp;
    case PictureReading::Stopped:
        break;
    }
    switch (reading.stop) {
    case PictureInput::Work:
        return Work;
    case PictureInput::Memory:
        return Memory;
    case PictureInput::Warnings:
        return Warnings;
    default:
        // The processor-time backstop never decides a row: it would make the
        // verdict depend on the machine.
        return NoBound;
    }
}

const char *boundName(int bound)
{
    static const char *const names[] = {"none", "headers", "work", "memory", "warnings", "decoder gave up"};
    return bound >= 0 && bound <= DecoderGaveUp ? names[bound] : "?";
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
    case SmoothArithmetic:
        return QFile::copy(QStringLiteral(QUORVEL_TEST_DATA "/smooth-arithmetic-4000x3000.jpg"), path);
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
    // Only a row that planted something has a picture to put back; an empty
    // name would be the test's own folder.
    if (replaced.isEmpty())
        return;
    // Puts the set's own picture back, with the page that watches it gone
    // first: Windows deletes no folder that is watched.
    window->sltOpenWidget(DetailPage);
    const QString path = TestPictures::path(replaced);
    QDir(path).removeRecursively();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(path);
    TestPictures::write(replaced, QFileInfo(path).path());
    replaced.clear();
}

void TestHostilePictures::pageOpens_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("hostile");
    QTest::addColumn<int>("shows");
    QTest::addColumn<int>("bound"); // what stops it; -1 for a fuzz finding, whatever it is
    QTest::addColumn<int>("growthMb"); // the process's growth while the page opens
    QTest::addColumn<QString>("finding"); // a fuzz finding's file, for FuzzFinding

#ifdef Q_OS_WIN
    const int unreadableShows = Blank; // not planted there
    const int unreadableBound = Headers;
#else
    // As root the permission is no bar: the picture shows.
    const int unreadableShows = geteuid() == 0 ? ThePicture : Blank;
    const int unreadableBound = geteuid() == 0 ? NoBound : Headers;
#endif
    const auto row = [](const char *name, const QString &picture, Hostile hostile, int shows, int bound, int growthMb) {
        QTest::newRow(name) << picture << int(hostile) << shows << bound << growthMb << QString();
    };

    row("page, zero bytes", PagePicture, ZeroBytes, Blank, Headers, 100);
    // libjpeg shows what it read and grey below it, with a warning.
    row("page, truncated JPEG", PagePicture, TruncatedJpeg, TopOfIt, NoBound, 100);
    row("page, random bytes", PagePicture, RandomBytes, Blank, Headers, 100);
    row("page, a directory", PagePicture, Directory, Blank, Headers, 100);
    row("page, a FIFO", PagePicture, Fifo, Blank, Headers, 100);
    row("page, a link to /dev/zero", PagePicture, Device, Blank, Headers, 100);
    row("page, no read permission", PagePicture, Unreadable, unreadableShows, unreadableBound, 100);
    row("page, PNG named .jpg", PagePicture, PngNamedJpg, ThePicture, NoBound, 100);
    row("page, JPEG header of 30000 x 30000", PagePicture, JpegOf30000Squared, Blank, Headers, 100);
    row("page, PNG header of 30000 x 30000", PagePicture, PngOf30000Squared, Blank, Headers, 100);
    row("page, PNG bomb of 8192 x 8192", PagePicture, PngBomb, Blank, Headers, 100);
    row("page, progressive 6000 x 4000 camera photo", PagePicture, CameraPhoto, ThePicture, NoBound, 300);
    row("page, progressive JPEG of 3000 scans", PagePicture, ManyScans, Blank, Work, 300);
    row("page, progressive JPEG of 2000000 one-block scans", PagePicture, OneBlockScans, Blank, Work, 300);
    // The text is left out of what the decoder sees: the picture itself is sound.
    row("page, PNG of 900 compressed texts", PagePicture, TextBomb, ItsOwnPicture, NoBound, 100);
    row("page, 70-byte PNG claiming a 1 GB chunk", PagePicture, HugeChunk, Blank, DecoderGaveUp, 100);
    row("page, 1400 scans behind an empty comment", PagePicture, ScansBehindEmptyComment, Blank, Work, 300);
    row("page, 10000 x 10000 JPEG whose scan leaves out two components", PagePicture, LumaOnlyScan, Blank, Headers,
        100);
    row("page, PNG of 300000 chunks with bad checksums", PagePicture, BadChecksums, ItsOwnPicture, NoBound, 100);
    row("page, PNG of 300000 pHYs chunks", PagePicture, RepeatedPhys, ItsOwnPicture, NoBound, 100);
    row("page, PNG of 24 x 1000000", PagePicture, TallPng, Blank, Headers, 100);
    row("page, arithmetic-coded 6000 x 4000 of noise", PagePicture, ArithmeticNoise, Blank, Headers, 100);
    row("page, smooth arithmetic-coded 4000 x 3000", PagePicture, SmoothArithmetic, ItsOwnPicture, NoBound, 200);

    row("icon, zero bytes", Icon, ZeroBytes, NoIcon, Headers, 100);
    row("icon, random bytes", Icon, RandomBytes, NoIcon, Headers, 100);
    row("icon, a directory", Icon, Directory, NoIcon, Headers, 100);
    row("icon, a FIFO", Icon, Fifo, NoIcon, Headers, 100);
    row("icon, JPEG header of 30000 x 30000", Icon, JpegOf30000Squared, NoIcon, Headers, 100);
    row("icon, PNG header of 30000 x 30000", Icon, PngOf30000Squared, NoIcon, Headers, 100);
    row("icon, PNG bomb of 8192 x 8192", Icon, PngBomb, NoIcon, Headers, 100);
    row("icon, PNG of 900 compressed texts", Icon, TextBomb, Unjudged, NoBound, 100);
    row("icon, 70-byte PNG claiming a 1 GB chunk", Icon, HugeChunk, NoIcon, DecoderGaveUp, 100);
    row("icon, 1400 scans behind an empty comment", Icon, ScansBehindEmptyComment, NoIcon, Headers, 100);
    row("icon, PNG of 300000 chunks with bad checksums", Icon, BadChecksums, Unjudged, NoBound, 100);

    // What the fuzzer found or was seeded with, replayed here too: as a page
    // and as an icon, within the bounds of each.
    const QFileInfoList findings
        = QDir(QStringLiteral(QUORVEL_FUZZ_REGRESSIONS)).entryInfoList(QDir::Files, QDir::Name);
    QVERIFY(!findings.isEmpty());
    for (const QFileInfo &finding : findings) {
        const QByteArray file = finding.fileName().toUtf8();
        QTest::newRow(("page, fuzz finding " + file).constData())
            << PagePicture << int(FuzzFinding) << int(Unjudged) << -1 << 300 << finding.filePath();
        QTest::newRow(("icon, fuzz finding " + file).constData())
            << Icon << int(FuzzFinding) << int(Unjudged) << -1 << 100 << finding.filePath();
    }
}

void TestHostilePictures::pageOpens()
{
    QFETCH(QString, name);
    QFETCH(int, hostile);
    QFETCH(int, shows);
    QFETCH(int, bound);
    QFETCH(int, growthMb);
    QFETCH(QString, finding);

    replaced = name;
    const QString notHere = unplantable(hostile);
    if (!notHere.isEmpty())
        QSKIP(qPrintable(notHere));
    QVERIFY(plant(Hostile(hostile), name, finding));
    window->sltOpenWidget(DetailPage);
    QTRY_VERIFY_WITH_TIMEOUT(TestPictures::shownPicture(window) != PagePicture, Patience::Ms);

    // From pressing "previous" on the detail page until the page has painted.
    const PaintCounter paints(window);
    ProcessMemory::PeakWatch watch;
    const qint64 before = ProcessMemory::residentKb();
    QElapsedTimer switching;
    switching.start();
    GuideTest::press(*window, GuideTest::PreviousButton);
    QTRY_VERIFY_WITH_TIMEOUT(paints.count() > 0, Patience::Ms);
    const qint64 tookMs = switching.elapsed();
    const qint64 peak = watch.peakKb();
    GuideTest::release(*window, GuideTest::PreviousButton);
    QCOMPARE(window->page()->pageId, Page);
    QVERIFY(watch.watching());

    // The same file read again as the guide read it, for its report: what
    // stopped it is the same on every machine.
    const bool icon = name == Icon;
    const PictureReading reading
        = readPictureWithReport(TestPictures::path(name), icon ? QSize() : PageSize, icon ? IconBudget : PageBudget);
    qInfo("%s; %d scans, work %lld of %lld coefficients; %d warnings; %lld ms on the clock to open; grew by %lld KiB",
          boundName(boundOf(reading)), reading.scans, reading.work, reading.workLimit, reading.warnings, tookMs,
          peak - before);
    if (bound >= 0)
        QCOMPARE(boundName(boundOf(reading)), boundName(bound));
    // The growth while opening, not the process's peak: the sanitizer's
    // shadow and quarantine come on top, and so do Windows' own libraries.
    const qint64 allowedKb = qint64(growthMb) * 1024 * (ProcessMemory::underAddressSanitizer() ? 2 : 1);
    QVERIFY2(peak - before < allowedKb, qPrintable(QString::number(peak - before)));
    // The decoder's warnings reach the log a few at most, whatever the file.
    QVERIFY(reading.warnings <= PictureInput::MaxWarnings + 1);

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
    case ItsOwnPicture:
        QVERIFY2(Measures::colourDistance(corner, background) > 0, qPrintable(corner.name()));
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

// Each reading counts the warnings of its own decoder: two threads reading at
// once neither mix their counts nor hand the log to each other for ever.
void TestHostilePictures::readingsOnTwoThreadsCountTheirOwnWarnings()
{
    const QByteArray cutShort = truncatedJpeg(Qt::red);
    QImage flat(PageSize, QImage::Format_RGB32);
    flat.fill(Qt::darkCyan);
    const QByteArray sound = ForgedPictures::encoded(flat, "JPEG");
    constexpr int Readings = 12;
    std::atomic<int> miscounted{0};
    const auto reads = [&miscounted](const QByteArray &bytes, int warnings) {
        for (int i = 0; i < Readings; ++i) {
            if (decodePictureWithReport(bytes, PageSize).warnings != warnings)
                ++miscounted;
        }
    };
    std::thread damaged(reads, cutShort, 1);
    std::thread whole(reads, sound, 0);
    damaged.join();
    whole.join();
    QCOMPARE(miscounted.load(), 0);
}

QTEST_MAIN(TestHostilePictures)
#include "tst_hostilepictures.moc"
