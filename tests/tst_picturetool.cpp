#include "shell/basewidget.h"
#include "shell/picturefile.h"

#include "measures/measures.h"
#include "support/forgedpictures.h"
#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"
#include "tools/demopictures.h"
#include "tools/guidegraph.h"
#include "tools/guidepictures.h"
#include "tools/guidesurvey.h"
#include "tools/overlay.h"
#include "tools/picturecheck.h"
#include "tools/picturefit.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <atomic>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using PictureCheck::Status;

Q_DECLARE_METATYPE(PictureCheck::Status)

// The picture tool, proved on the real pages: its graph against a press-by-
// press exploration of the window, its checks on crafted files, its demo set
// against the hot-spots.
class TestPictureTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void graphHoldsExactlyTheGuidesEdges();

    void checkTellsFaultsApart_data();
    void checkTellsFaultsApart();
    void checkNeverWaitsOnAFifoSwappedIn();
    void checkSeesWarningsTheLogLeavesOut();
    void commandLine_data();
    void commandLine();
    void checkJsonNamesEveryPicture();
    void fitScalesDownOnlyWhatIsLarger_data();
    void fitScalesDownOnlyWhatIsLarger();
    void fitNeverHarmsAFile_data();
    void fitNeverHarmsAFile();

    void demoIsCompleteAndClean();
    void demoKeepsExistingFilesUnlessForced();
    void demoDrawsAButtonOverEveryHotSpot();

    void overlayRendersEveryPage();

private:
    QTemporaryDir demo;
    QVector<GuideSurvey::Page> pages;
};

namespace {

QImage flat(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

// A photo's grain, which no encoder squeezes away.
QImage grainy(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            line[x] = qRgb(int(x * 255 / size.width()), int(seed >> 24), int(y * 255 / size.height()));
        }
    }
    return image;
}

// A PNG whose header declares width x height, with no pixels behind it: an
// empty data chunk, as the header is read up to the first one.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    return ForgedPictures::pngHeader(width, height, 2) + ForgedPictures::pngChunk("IDAT", QByteArray());
}

// defaults: the settings file the tool takes the panel's factor from.
int runTool(const QStringList &arguments, QByteArray *output = nullptr, const QString &defaults = QString())
{
    QProcess tool;
    if (!defaults.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVEL_GUIDE_DEFAULTS"), defaults);
        tool.setProcessEnvironment(environment);
    }
    tool.start(QStringLiteral(GUIDE_PICTURES), arguments);
    if (!tool.waitForFinished(Patience::ProgramMs))
        return -1;
    if (output)
        *output = tool.readAllStandardOutput();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

void TestPictureTool::initTestCase()
{
    TestPictures::writeAll();
    QVERIFY(demo.isValid());
    const DemoPictures::Written written = DemoPictures::write(demo.path(), false);
    QCOMPARE(written.written.size(), 73);
    QVERIFY(written.failed.isEmpty());
    pages = GuideSurvey::survey();
    QCOMPARE(pages.size(), 138);
}

void TestPictureTool::graphHoldsExactlyTheGuidesEdges()
{
    Basewidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSet<QString> explored;
    for (const GuideTest::Edge &edge : GuideTest::explore(window))
        explored << QStringLiteral("p%1 -> p%2 %3").arg(edge.from).arg(edge.to).arg(edge.via);

    // Edges as the graph prints them, with the label reduced to the button.
    const QString dot = GuideGraph::toDot(pages);
    QSet<QString> drawn;
    int nodes = 0;
    for (const QString &line : dot.split(QLatin1Char('\n'))) {
        const QString text = line.trimmed();
        if (text.contains(QLatin1String(" -> "))) {
            const QString via = text.section(QLatin1String("label=\""), 1).section(QLatin1Char('"'), 0, 0);
            const QString button = via.startsWith(QLatin1String("row")) ? via.section(QLatin1Char(' '), 0, 1)
                : via == QLatin1String("after 3 s")                     ? QStringLiteral("start delay")
                                                                        : via;
            drawn << text.section(QLatin1Char(' '), 0, 2) + QLatin1Char(' ') + button;
        } else if (text.startsWith(QLatin1Char('p')) && text.contains(QLatin1String("[label="))) {
            ++nodes;
        }
    }
    QCOMPARE(nodes, 138);
    QCOMPARE(drawn.size(), explored.size());
    QCOMPARE(drawn, explored);
    QVERIFY(dot.contains(QLatin1String("p61 [label=\"61\\n363ku.jpg\"]")));
}

void TestPictureTool::checkTellsFaultsApart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<PictureCheck::Status>("status");
    QTest::addColumn<QString>("says");
    QTest::addColumn<double>("scale"); // the panel's factor
    // Noted slow for certain; otherwise it may be either, since the note is
    // this machine's time and a busy or emulated one may read slowly.
    QTest::addColumn<bool>("slow");

    const QByteArray jpeg = ForgedPictures::encoded(flat(PageSize), "JPEG");
    QTest::newRow("fine page") << "/top.jpg" << jpeg << Status::Ok << "1000 x 600" << 1.0 << false;
    QTest::newRow("fine icon") << "/home_page.png" << ForgedPictures::encoded(flat(QSize(40, 40)), "PNG") << Status::Ok
                               << "40 x 40" << 1.0 << false;
    QTest::newRow("missing") << "/top.jpg" << QByteArray() << Status::Missing << "page shows blank" << 1.0 << false;
    QTest::newRow("missing icon") << "/next_page.png" << QByteArray() << Status::Missing << "without an icon" << 1.0
                                  << false;
    QTest::newRow("empty") << "/top.jpg" << QByteArray("") << Status::Empty << "empty" << 1.0 << false;
    QTest::newRow("truncated") << "/top.jpg" << jpeg.left(jpeg.size() / 2) << Status::Damaged << "in part" << 1.0
                               << false;
    QTest::newRow("random bytes") << "/top.jpg" << QByteArray(4096, '\x5a') << Status::NotAPicture << "not a picture"
                                  << 1.0 << false;
    QTest::newRow("png named jpg") << "/top.jpg" << ForgedPictures::encoded(flat(PageSize), "PNG")
                                   << Status::OtherFormat << "PNG data behind a .jpg name: the guide still shows it"
                                   << 1.0 << false;
    QTest::newRow("4:3, widened") << "/top.jpg" << ForgedPictures::encoded(flat(QSize(800, 600)), "JPEG")
                                  << Status::Stretched << "widened by 25%" << 1.0 << false;
    QTest::newRow("tall, widened") << "/page1.jpg" << ForgedPictures::encoded(flat(QSize(600, 600)), "JPEG")
                                   << Status::Stretched << "widened by 67%" << 1.0 << false;
    QTest::newRow("wide, narrowed") << "/page1.jpg" << ForgedPictures::encoded(flat(QSize(2000, 600)), "JPEG")
                                    << Status::Stretched << "narrowed by 50%" << 1.0 << false;
    QTest::newRow("same shape, larger") << "/home.jpg" << ForgedPictures::encoded(flat(QSize(2000, 1200)), "JPEG")
                                        << Status::Scaled << "shape kept" << 1.0 << false;
    QTest::newRow("large icon") << "/previous_page.png" << ForgedPictures::encoded(flat(QSize(80, 40)), "PNG")
                                << Status::Fitted << "fitted" << 1.0 << false;
    QImage deep(QSize(1024, 1024), QImage::Format_RGBA64);
    deep.fill(Qt::darkCyan);
    QTest::newRow("16-bit icon of 1024 x 1024")
        << "/previous_page.png" << ForgedPictures::encoded(deep, "PNG") << Status::Fitted << "fitted" << 1.0 << false;
    QTest::newRow("PNG header claims 30000 x 30000")
        << "/top.jpg" << pngHeaderOnly(30000, 30000) << Status::OverBudget << "declares 30000 x 30000" << 1.0 << false;
    QTest::newRow("JPEG header claims 30000 x 30000")
        << "/top.jpg" << ForgedPictures::jpegClaiming(flat(QSize(64, 64)), 30000, 30000) << Status::OverBudget
        << "declares 30000 x 30000" << 1.0 << false;
    QTest::newRow("JPEG 17000 x 10, long but small")
        << "/top.jpg" << ForgedPictures::encoded(flat(QSize(17000, 10)), "JPEG") << Status::Stretched
        << "17000 x 10: it will be" << 1.0 << false;
    QTest::newRow("BMP named jpg") << "/top.jpg" << ForgedPictures::encoded(flat(QSize(100, 60)), "BMP")
                                   << Status::NotAPicture << "reads JPEG and PNG" << 1.0 << false;
    QTest::newRow("progressive JPEG of 3000 scans")
        << "/top.jpg" << ForgedPictures::progressiveScans(4096, 4096, 3000) << Status::TooCostly
        << "4096 x 4096: its scans make the decoder do more than 4 times the work" << 1.0 << false;
    QTest::newRow("scans behind an empty comment")
        << "/top.jpg" << ForgedPictures::progressiveScans(4096, 4096, 1400, true) << Status::TooCostly
        << "4096 x 4096: its scans make the decoder do more than 4 times the work" << 1.0 << false;
    QTest::newRow("JPEG scan that leaves out two components")
        << "/top.jpg" << ForgedPictures::lumaOnlyScan(10000, 10000) << Status::OverBudget
        << "declares 10000 x 10000, which takes 581 MB" << 1.0 << false;
    // The text is left out of what the decoder sees; the picture is sound.
    QTest::newRow("PNG of 900 compressed texts") << "/top.jpg" << ForgedPictures::pngWithCompressedText(900)
                                                 << Status::Scaled << "100 x 60: it will be scaled" << 1.0 << false;
    QTest::newRow("PNG claiming a 1 GB chunk") << "/top.jpg" << ForgedPictures::pngClaimingAHugeChunk()
                                               << Status::Damaged << "cannot be decoded" << 1.0 << false;
    QTest::newRow("PNG of 300000 bad checksums")
        << "/top.jpg" << ForgedPictures::pngWithRepeatedChunk(300000, "teXt", QByteArray(), true) << Status::Stretched
        << "30 x 20: it will be stretched" << 1.0 << false;
    // libjpeg warns of the padding, but every pixel was decoded.
    QTest::newRow("16 zero bytes before the end")
        << "/top.jpg" << jpeg.left(jpeg.size() - 2) + QByteArray(16, '\0') + jpeg.right(2) << Status::Ok << "1000 x 600"
        << 1.0 << false;
    QTest::newRow("icon with a repeated pHYs, a warning")
        << "/home_page.png"
        << ForgedPictures::pngWithRepeatedChunk(2, "pHYs", QByteArray::fromHex("000000010000000100"), false)
        << Status::Ok << "30 x 20" << 1.0 << false;
    QTest::newRow("icon with bytes after its end")
        << "/home_page.png" << ForgedPictures::encoded(flat(QSize(40, 40)), "PNG") + QByteArray(31, 'a') << Status::Ok
        << "40 x 40" << 1.0 << false;
    const QByteArray photo = ForgedPictures::encoded(grainy(QSize(4000, 3000)), "JPEG", 90);
    QTest::newRow("4000 x 3000 photo, slow")
        << "/home.jpg" << photo << Status::Stretched << "widened by 25%; it takes" << 1.0 << true;
    // On a 4K panel the guide decodes the same photo at nearly its own size.
    QTest::newRow("4000 x 3000 photo on a 4K panel")
        << "/home.jpg" << photo << Status::Stretched << "stretched to 1000 x 600, widened by 25%" << 3.6 << false;
    const QByteArray fullColour = ForgedPictures::progressiveFullColour(6000, 3600);
    QTest::newRow("progressive 4:4:4 photo of 6000 x 3600")
        << "/home.jpg" << fullColour << Status::Scaled
        << "6000 x 3600: it will be scaled to 1000 x 600, its shape kept; it takes" << 1.0 << true;
    QTest::newRow("progressive 4:4:4 photo on a 4K panel")
        << "/home.jpg" << fullColour << Status::OverBudget << "declares 6000 x 3600, which takes 236 MB to decode"
        << 3.6 << false;
    QTest::newRow("directory") << "/top.jpg" << QByteArray("/") << Status::Directory << "folder" << 1.0 << false;
#ifdef Q_OS_UNIX
    // "|" stands for a FIFO in the picture's place, which no one writes.
    QTest::newRow("FIFO") << "/top.jpg" << QByteArray("|") << Status::Unreadable << "not a plain file" << 1.0 << false;
#endif
    QTest::newRow("no read permission") << "/top.jpg" << jpeg << Status::Unreadable << "cannot be read" << 1.0 << false;
}

void TestPictureTool::checkTellsFaultsApart()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(PictureCheck::Status, status);
    QFETCH(QString, says);
    QFETCH(double, scale);
    QFETCH(bool, slow);

    QTemporaryDir folder;
    const QString path = folder.path() + name;
    if (status == Status::Directory) {
        QVERIFY(QDir().mkpath(path));
#ifdef Q_OS_UNIX
    } else if (content == "|") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
#endif
    } else if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    if (status == Status::Unreadable && content != "|") {
#ifdef Q_OS_UNIX
        if (geteuid() == 0)
            QSKIP("root reads any file");
#else
        QSKIP("Windows has no permission bits that make a file unreadable");
#endif
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    }

    const PictureCheck::Finding finding = PictureCheck::checkOne(folder.path(), name, scale);
    qInfo("%s%s, read in %d ms of processor time", qPrintable(PictureCheck::statusName(finding.status)),
          finding.slow ? ", slow" : "", finding.readMs);
    QCOMPARE(PictureCheck::statusName(finding.status), PictureCheck::statusName(status));
    if (slow)
        QVERIFY(finding.slow);
    QVERIFY2(finding.message.contains(says)
                 || (finding.message.isEmpty()
                     && says == QStringLiteral("%1 x %2").arg(finding.size.width()).arg(finding.size.height())),
             qPrintable(finding.message));
}

// A kiosk that keeps warnings out of its journal (QT_LOGGING_RULES=
// "default.warning=false") has its damaged pictures told apart all the same.
void TestPictureTool::checkSeesWarningsTheLogLeavesOut()
{
    const QByteArray jpeg = ForgedPictures::encoded(flat(PageSize), "JPEG");
    QTemporaryDir folder;
    QFile file(folder.path() + QStringLiteral("/top.jpg"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(jpeg.left(jpeg.size() / 2));
    file.close();
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    const PictureCheck::Finding finding = PictureCheck::checkOne(folder.path(), QStringLiteral("/top.jpg"));
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(PictureCheck::statusName(finding.status), PictureCheck::statusName(Status::Damaged));
}

// A plain file and a FIFO trade places under a picture's name while the check
// looks at it again and again: a check that opened what it had looked at a
// moment before would wait on the FIFO for a writer that never comes.
void TestPictureTool::checkNeverWaitsOnAFifoSwappedIn()
{
#ifndef Q_OS_UNIX
    QSKIP("no FIFOs here");
#else
    QTemporaryDir folder;
    const QByteArray picture = QFile::encodeName(folder.path() + QStringLiteral("/top.jpg"));
    const QByteArray fifo = QFile::encodeName(folder.path() + QStringLiteral("/fifo"));
    const QByteArray aside = QFile::encodeName(folder.path() + QStringLiteral("/aside"));
    QFile plain(QString::fromLocal8Bit(picture));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QCOMPARE(mkfifo(fifo.constData(), 0644), 0);

    // A check that waits on the FIFO stops counting; after a whole patience
    // with no check done, a writer lets it go. A count of checks, not a time,
    // ends the run, however slow the machine.
    constexpr int Checks = 500;
    std::atomic<int> checks{0};
    std::atomic<bool> done{false};
    std::atomic<bool> waited{false};
    std::thread swapper([&] {
        int seen = -1;
        QElapsedTimer still;
        still.start();
        while (!done) {
            std::rename(picture.constData(), aside.constData());
            std::rename(fifo.constData(), picture.constData());
            std::rename(aside.constData(), fifo.constData());
            if (checks != seen) {
                seen = checks;
                still.restart();
            } else if (still.elapsed() > Patience::Ms) {
                waited = true;
                for (const QByteArray &path : {picture, fifo}) {
                    const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0)
                        ::close(fd);
                }
                still.restart();
            }
        }
    });
    while (checks < Checks && !waited) {
        PictureCheck::checkOne(folder.path(), QStringLiteral("/top.jpg"));
        ++checks;
    }
    done = true;
    swapper.join();
    QVERIFY2(!waited, "the check waited on a FIFO put in the picture's place");
    qInfo("%d checks while the FIFO and the file traded places", checks.load());
#endif
}

void TestPictureTool::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // The panel's settings file, then after a line "--- site" a site's
    // settings package's, read after it; null: none.
    QTest::addColumn<QByteArray>("defaults");

    QTest::newRow("check, demo set") << QStringList{"check", "DEMO"} << 0 << QByteArray();
    QTest::newRow("check, a folder without pictures") << QStringList{"check", "EMPTY"} << 1 << QByteArray();
    QTest::newRow("check at a 4K panel's scale") << QStringList{"check", "--scale", "3.6", "DEMO"} << 0 << QByteArray();
    QTest::newRow("check at no scale") << QStringList{"check", "--scale", "none", "DEMO"} << 2 << QByteArray();
    QTest::newRow("check at scale 0.05") << QStringList{"check", "--scale", "0.05", "DEMO"} << 2 << QByteArray();
    QTest::newRow("no command") << QStringList() << 2 << QByteArray();
    QTest::newRow("unknown command") << QStringList{"paint", "DEMO"} << 2 << QByteArray();
    QTest::newRow("check without a folder") << QStringList{"check"} << 2 << QByteArray();
    QTest::newRow("unknown option") << QStringList{"check", "--fast", "DEMO"} << 2 << QByteArray();
    QTest::newRow("graph takes no folder") << QStringList{"graph", "DEMO"} << 2 << QByteArray();
    QTest::newRow("fit without a folder") << QStringList{"fit"} << 2 << QByteArray();
    QTest::newRow("fit, scale not a number") << QStringList{"fit", "DEMO", "--scale", "big"} << 2 << QByteArray();
    QTest::newRow("fit, scale 0") << QStringList{"fit", "DEMO", "--scale", "0"} << 2 << QByteArray();
    QTest::newRow("fit, scale 9") << QStringList{"fit", "DEMO", "--scale", "9"} << 2 << QByteArray();
    QTest::newRow("fit, unknown option") << QStringList{"fit", "DEMO", "--fast"} << 2 << QByteArray();
    QTest::newRow("fit, no such folder") << QStringList{"fit", "EMPTY/none", "--output", "EMPTY/out"} << 1
                                         << QByteArray();

    // PHOTO: the demo set with a 6000 x 3600 progressive 4:4:4 photo as the
    // home page, which a 4K panel (3.6) cannot decode within the bound.
    QTest::newRow("check, a large photo") << QStringList{"check", "PHOTO"} << 0 << QByteArray();
    QTest::newRow("check, the photo at a 4K panel's scale")
        << QStringList{"check", "--scale", "3.6", "PHOTO"} << 1 << QByteArray();
    QTest::newRow("check, the photo at the scale the settings give")
        << QStringList{"check", "PHOTO"} << 1
        << QByteArray("QUORVEL_GUIDE_IDLE_SECONDS=120\nQT_SCALE_FACTOR=\"3.6\"\n");
    QTest::newRow("check, the settings' scale commented out")
        << QStringList{"check", "PHOTO"} << 0 << QByteArray("#QT_SCALE_FACTOR=3.6\n");
    QTest::newRow("check, --scale over the settings")
        << QStringList{"check", "--scale", "1", "PHOTO"} << 0 << QByteArray("QT_SCALE_FACTOR=3.6\n");
    QTest::newRow("check, a site's settings over the panel's")
        << QStringList{"check", "PHOTO"} << 1 << QByteArray("QT_SCALE_FACTOR=1\n--- site\nQT_SCALE_FACTOR=\"3.6\"\n");
    QTest::newRow("check, the panel's scale where the site's settings set none")
        << QStringList{"check", "PHOTO"} << 1
        << QByteArray("QT_SCALE_FACTOR=3.6\n--- site\nQUORVEL_GUIDE_IDLE_SECONDS=\"120\"\n");
}

void TestPictureTool::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, defaults);

    QTemporaryDir empty;
    arguments.replaceInStrings(QStringLiteral("DEMO"), demo.path());
    arguments.replaceInStrings(QStringLiteral("EMPTY"), empty.path());
    if (arguments.contains(QStringLiteral("PHOTO"))) {
        for (const QString &picture : QDir(demo.path()).entryList(QDir::Files))
            QVERIFY(QFile::copy(demo.path() + QLatin1Char('/') + picture, empty.path() + QLatin1Char('/') + picture));
        QFile home(empty.path() + QStringLiteral("/home.jpg"));
        QVERIFY(home.open(QIODevice::WriteOnly | QIODevice::Truncate));
        home.write(ForgedPictures::progressiveFullColour(6000, 3600));
        home.close();
        arguments.replaceInStrings(QStringLiteral("PHOTO"), empty.path());
    }
    // Not the machine's own settings: the row's files, or none.
    QTemporaryDir settings;
    QStringList files{settings.filePath(QStringLiteral("quorvel-guide"))};
    if (!defaults.isNull()) {
        const int site = defaults.indexOf("--- site\n");
        QList<QByteArray> contents{site < 0 ? defaults : defaults.left(site)};
        if (site >= 0) {
            contents.append(defaults.mid(site + int(qstrlen("--- site\n"))));
            files.append(settings.filePath(QStringLiteral("site-settings")));
        }
        for (int i = 0; i < files.size(); ++i) {
            QFile written(files.at(i));
            QVERIFY(written.open(QIODevice::WriteOnly));
            written.write(contents.at(i));
        }
    }
    QCOMPARE(runTool(arguments, nullptr, files.join(QDir::listSeparator())), exitCode);
}

void TestPictureTool::checkJsonNamesEveryPicture()
{
    QTemporaryDir folder;
    QVERIFY(QFile::copy(demo.path() + QStringLiteral("/top.jpg"), folder.path() + QStringLiteral("/top.jpg")));
    QByteArray output;
    QCOMPARE(runTool({QStringLiteral("check"), QStringLiteral("--json"), folder.path()}, &output), 1);
    const QJsonObject root = QJsonDocument::fromJson(output).object();
    QCOMPARE(root.value(QStringLiteral("ok")).toBool(true), false);
    const QJsonArray pictures = root.value(QStringLiteral("pictures")).toArray();
    QCOMPARE(pictures.size(), GuidePictures::all().size());
    int missing = 0;
    for (const QJsonValue &picture : pictures) {
        const QJsonObject entry = picture.toObject();
        if (entry.value(QStringLiteral("name")).toString() == QLatin1String("top.jpg"))
            QCOMPARE(entry.value(QStringLiteral("status")).toString(), QStringLiteral("ok"));
        else
            missing += entry.value(QStringLiteral("status")).toString() == QLatin1String("missing");
    }
    QCOMPARE(missing, pictures.size() - 1);
}

void TestPictureTool::fitScalesDownOnlyWhatIsLarger_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("quality"); // of a JPEG, kept by the copy
    QTest::addColumn<QString>("scale"); // empty: the default
    QTest::addColumn<QSize>("fitted"); // invalid: copied byte for byte
    QTest::addColumn<bool>("inPlace"); // --output DIR

    const QSize none;
    QTest::newRow("page size") << "/top.jpg" << QSize(1000, 600) << QByteArray("jpeg") << 90 << "" << none << false;
    QTest::newRow("4000 x 3000 photo") << "/home.jpg" << QSize(4000, 3000) << QByteArray("jpeg") << 90 << ""
                                       << QSize(1000, 600) << false;
    QTest::newRow("photo at quality 60") << "/363ku.jpg" << QSize(4000, 3000) << QByteArray("jpeg") << 60 << ""
                                         << QSize(1000, 600) << false;
    QTest::newRow("photo at quality 100")
        << "/363ku.jpg" << QSize(2000, 1200) << QByteArray("jpeg") << 100 << "" << QSize(1000, 600) << false;
    QTest::newRow("photo at quality 20") << "/363ku.jpg" << QSize(2000, 1200) << QByteArray("jpeg") << 20 << ""
                                         << QSize(1000, 600) << false;
    QTest::newRow("photo at scale 2") << "/home.jpg" << QSize(4000, 3000) << QByteArray("jpeg") << 85 << "2"
                                      << QSize(2000, 1200) << false;
    QTest::newRow("photo at scale 1.8") << "/home.jpg" << QSize(4000, 3000) << QByteArray("jpeg") << 85 << "1.8"
                                        << QSize(1800, 1080) << false;
    QTest::newRow("wide strip: only its width")
        << "/page1.jpg" << QSize(2400, 400) << QByteArray("jpeg") << 80 << "" << QSize(1000, 400) << false;
    QTest::newRow("smaller than the page")
        << "/page1.jpg" << QSize(800, 480) << QByteArray("jpeg") << 80 << "" << none << false;
    QTest::newRow("smaller, but not at scale 0.5")
        << "/page1.jpg" << QSize(800, 480) << QByteArray("jpeg") << 80 << "0.5" << QSize(500, 300) << false;
    QTest::newRow("PNG page stays PNG") << "/top.jpg" << QSize(2000, 1200) << QByteArray("png") << -1 << ""
                                        << QSize(1000, 600) << false;
    QTest::newRow("large icon, shape kept")
        << "/home_page.png" << QSize(200, 100) << QByteArray("png") << -1 << "" << QSize(50, 25) << false;
    QTest::newRow("large icon at scale 2")
        << "/home_page.png" << QSize(200, 100) << QByteArray("png") << -1 << "2" << QSize(100, 50) << false;
    QTest::newRow("icon that fits its box")
        << "/next_page.png" << QSize(50, 50) << QByteArray("png") << -1 << "" << none << false;
    QTest::newRow("not one of the guide's")
        << "/poster.jpg" << QSize(4000, 3000) << QByteArray("jpeg") << 90 << "" << none << false;
    QTest::newRow("in place, fitted") << "/home.jpg" << QSize(4000, 3000) << QByteArray("jpeg") << 90 << ""
                                      << QSize(1000, 600) << true;
    QTest::newRow("in place, small enough")
        << "/top.jpg" << QSize(1000, 600) << QByteArray("jpeg") << 90 << "" << none << true;
}

void TestPictureTool::fitScalesDownOnlyWhatIsLarger()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    QFETCH(int, quality);
    QFETCH(QString, scale);
    QFETCH(QSize, fitted);
    QFETCH(bool, inPlace);

    // A photo's detail, so that the encoder's quality shows in its tables.
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x * 7 % 256, y * 5 % 256, (x ^ y) % 256);
    }
    const QByteArray original = ForgedPictures::encoded(image, format.toUpper().constData(), quality);
    if (quality > 0)
        QCOMPARE(PictureFit::jpegQuality(original), quality);

    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("pictures"));
    QVERIFY(QDir().mkpath(folder));
    QFile file(folder + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(original);
    file.close();
    QStringList arguments{QStringLiteral("fit"), folder};
    if (!scale.isEmpty())
        arguments << QStringLiteral("--scale") << scale;
    if (inPlace)
        arguments << QStringLiteral("--output") << folder;
    QCOMPARE(runTool(arguments), 0);

    // Into DIR-fit, the folder itself left as it was; or, asked, in its place
    // with nothing left beside it.
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{name.mid(1)});
    QCOMPARE(QFileInfo::exists(folder + QStringLiteral("-fit")), !inPlace);
    if (!inPlace) {
        QFile source(folder + name);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QVERIFY(source.readAll() == original);
    }
    QFile copy((inPlace ? folder : folder + QStringLiteral("-fit")) + name);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    const QByteArray written = copy.readAll();
    if (!fitted.isValid()) {
        QVERIFY(written == original);
        return;
    }
    QBuffer buffer;
    buffer.setData(written);
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), format);
    QCOMPARE(reader.size(), fitted);
    if (quality > 0)
        QCOMPARE(PictureFit::jpegQuality(written), quality);
    const QImage read = reader.read();
    QVERIFY(Measures::colourDistance(QColor(read.pixel(0, 0)), QColor(image.pixel(0, 0))) < 60);
}

void TestPictureTool::fitNeverHarmsAFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says"); // in what the tool prints, output and errors

    QTest::newRow("in place, a link to an original elsewhere, fitted") << "in place link large" << 0 << "home.jpg";
    QTest::newRow("in place, a link to an original elsewhere, small enough")
        << "in place link small" << 0 << "0 fitted, 1 copied";
    QTest::newRow("a link in the output to the source picture, fitted") << "output link large" << 0 << "home.jpg";
    QTest::newRow("a link in the output to the source picture, copied")
        << "output link small" << 0 << "0 fitted, 1 copied";
#ifdef Q_OS_UNIX
    QTest::newRow("a FIFO beside the pictures") << "fifo" << 1 << "skipped, not a plain file: notes (a FIFO)";
#endif
    QTest::newRow("a broken link") << "broken link" << 1 << "old.jpg (a link to";
    QTest::newRow("a sub-folder") << "folder" << 0 << "old: a folder, not copied";
    QTest::newRow("4:4:4 photo: its colour said halved")
        << "full colour" << 0 << "colour written 4:2:0 where the file has 4:4:4";
}

// fit writes each file anew and renames it into place: never through a link
// to what it leads to. What it does not copy, it says.
void TestPictureTool::fitNeverHarmsAFile()
{
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
#ifdef Q_OS_WIN
    // Windows has shortcut files where these rows need links, and no FIFOs.
    if (setup.contains(QLatin1String("link")) || setup == QLatin1String("fifo"))
        QSKIP("no symbolic links or FIFOs to plant on Windows");
#endif

    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("pictures"));
    const QString elsewhere = parent.filePath(QStringLiteral("originals"));
    const QString output = parent.filePath(QStringLiteral("out"));
    for (const QString &path : {folder, elsewhere, output})
        QVERIFY(QDir().mkpath(path));
    QImage large(4000, 3000, QImage::Format_RGB32);
    large.fill(Qt::darkCyan);
    const QByteArray largeJpeg = ForgedPictures::encoded(large, "JPEG", 90);
    QImage small(1000, 600, QImage::Format_RGB32);
    small.fill(Qt::darkMagenta);
    const QByteArray smallJpeg = ForgedPictures::encoded(small, "JPEG", 90);
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const bool largeOne = setup.endsWith(QLatin1String("large"));
    const QByteArray original = largeOne ? largeJpeg : smallJpeg;
    const QString name = largeOne ? QStringLiteral("/home.jpg") : QStringLiteral("/top.jpg");
    // The file that must come out as it went in, and where the result is.
    QString kept;
    QString result = output + name;
    QStringList arguments{QStringLiteral("fit"), folder, QStringLiteral("--output"), output};
    if (setup.startsWith(QLatin1String("in place"))) {
        kept = elsewhere + name;
        QVERIFY(write(kept, original));
        QVERIFY(QFile::link(kept, folder + name));
        arguments.last() = folder;
        result = folder + name;
    } else if (setup.startsWith(QLatin1String("output link"))) {
        kept = folder + name;
        QVERIFY(write(kept, original));
        QVERIFY(QFile::link(kept, output + name));
    } else {
        QVERIFY(write(folder + QStringLiteral("/top.jpg"), smallJpeg));
        if (setup == QLatin1String("fifo")) {
#ifdef Q_OS_UNIX
            QCOMPARE(mkfifo(QFile::encodeName(folder + QStringLiteral("/notes")).constData(), 0644), 0);
#endif
        } else if (setup == QLatin1String("broken link")) {
            QVERIFY(QFile::link(elsewhere + QStringLiteral("/gone.jpg"), folder + QStringLiteral("/old.jpg")));
        } else if (setup == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(folder + QStringLiteral("/old")));
        } else if (setup == QLatin1String("full colour")) {
            QVERIFY(write(folder + QStringLiteral("/home.jpg"), ForgedPictures::progressiveFullColour(2000, 1200)));
        }
    }

    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(GUIDE_PICTURES), arguments);
    QVERIFY(tool.waitForFinished(Patience::Ms));
    const QString printed = QString::fromLocal8Bit(tool.readAll());
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QVERIFY2(tool.exitCode() == exitCode, qPrintable(printed));
    QVERIFY2(printed.contains(says), qPrintable(printed));

    if (kept.isEmpty()) {
        // Whatever was skipped, the plain picture beside it was copied.
        QFile copy(output + QStringLiteral("/top.jpg"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll() == smallJpeg);
        return;
    }
    QFile source(kept);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QVERIFY2(source.readAll() == original, "the original was written over");
    const QFileInfo written(result);
    // In place and small enough, the link is left as it was; anything
    // written is a plain file of its own.
    QCOMPARE(written.isSymLink(), setup == QLatin1String("in place link small"));
    QCOMPARE(QImageReader(result).size(), QSize(1000, 600));
    if (!largeOne) {
        QFile copy(result);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll() == original);
    }
}

void TestPictureTool::demoIsCompleteAndClean()
{
    for (const PictureCheck::Finding &finding : PictureCheck::check(demo.path()))
        QVERIFY2(finding.status == Status::Ok, qPrintable(finding.name + QLatin1Char(' ') + finding.message));
    for (const QString &icon :
         {QStringLiteral("/previous_page.png"), QStringLiteral("/next_page.png"), QStringLiteral("/home_page.png")}) {
        const QImage image(demo.path() + icon);
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QVERIFY(qAlpha(image.pixel(image.width() / 2, image.height() / 2)) > 200);
    }
}

void TestPictureTool::demoKeepsExistingFilesUnlessForced()
{
    QTemporaryDir folder;
    const QString kept = folder.path() + QStringLiteral("/page1.jpg");
    QFile own(kept);
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("the designer's own");
    own.close();

    const DemoPictures::Written first = DemoPictures::write(folder.path(), false);
    QCOMPARE(first.kept, QStringList{QStringLiteral("/page1.jpg")});
    QCOMPARE(first.written.size(), 72);
    QVERIFY(own.open(QIODevice::ReadOnly));
    QCOMPARE(own.readAll(), QByteArray("the designer's own"));
    own.close();

    QCOMPARE(runTool({QStringLiteral("demo"), folder.path()}), 0);
    QVERIFY(own.open(QIODevice::ReadOnly));
    QCOMPARE(own.readAll(), QByteArray("the designer's own"));
    own.close();

    QCOMPARE(runTool({QStringLiteral("demo"), QStringLiteral("--force"), folder.path()}), 0);
    QCOMPARE(PictureCheck::checkOne(folder.path(), QStringLiteral("/page1.jpg")).status, Status::Ok);
}

void TestPictureTool::demoDrawsAButtonOverEveryHotSpot()
{
    int checked = 0;
    for (const GuideSurvey::Page &page : pages) {
        const QImage picture(demo.path() + page.picture);
        for (const GuideSurvey::Button &button : page.buttons) {
            if (button.role != QLatin1String("hot-spot"))
                continue;
            // Just inside the left edge, halfway down, clear of the centred label.
            const QRect r = button.rect;
            const QColor inside(picture.pixel(r.left() + 3, r.center().y()));
            const QColor outside(picture.pixel(r.left() - 4, r.center().y()));
            const QString where = QStringLiteral("page %1, hot-spot at (%2, %3)").arg(page.id).arg(r.x()).arg(r.y());
            QVERIFY2(Measures::colourDistance(inside, QColor(0xfc, 0xa3, 0x11)) < 40,
                     qPrintable(where + QLatin1String(": ") + inside.name()));
            QVERIFY2(Measures::colourDistance(outside, inside) > 120,
                     qPrintable(where + QLatin1String(": ") + outside.name()));
            ++checked;
        }
    }
    QCOMPARE(checked, 2 + 2 + 5 + 17 + 10 + 14);
}

void TestPictureTool::overlayRendersEveryPage()
{
    QTemporaryDir out;
    QString error;
    QVERIFY2(Overlay::write(demo.path(), out.path(), &error), qPrintable(error));
    setPictureFolder(QString());

    QCOMPARE(QDir(out.path()).entryList({QStringLiteral("page-*.png")}).size(), 138);
    QFile index(out.path() + QStringLiteral("/index.html"));
    QVERIFY(index.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(index.readAll()).count(QLatin1String("<figure id=")), 138);

    // Page 14 shows the demo question, its Yes hot-spot outlined.
    const QImage page14(out.path() + QStringLiteral("/page-014.png"));
    QCOMPARE(page14.size(), PageSize);
    QVERIFY(Measures::colourDistance(QColor(page14.pixel(217, 340)), QColor(0xff, 0x2d, 0x95)) < 40);
    const QImage demo14(demo.path() + QStringLiteral("/page1.jpg"));
    QVERIFY(Measures::colourDistance(QColor(page14.pixel(500, 500)), QColor(demo14.pixel(500, 500)))
            < Measures::SameColour);
}

QTEST_MAIN(TestPictureTool)
#include "tst_picturetool.moc"
