#include "benchpictures.h"
#include "medianreporter.h"
#include "minimalwindow.h"
#include "table.h"
#include "tools/paintcounter.h"

#include "shell/abstractquorvelwidget.h"
#include "shell/basewidget.h"
#include "shell/guidefont.h"
#include "shell/topwatcher.h"
#include "tools/guidepictures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QImageReader>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// One page of every class, the busiest of its kind where a class has several.
const PageId classPages[] = {0, 1, 3, 14, 16, 20, 23, 77};

// Three type pages, alike but for their pictures, show how the cost grows
// with the picture.
struct SizedPage
{
    PageId id;
    QSize size;
};
const SizedPage sizedPages[] = {{131, {1000, 600}}, {132, {2000, 1200}}, {133, {4000, 3000}}};

constexpr int Repetitions = 9;
constexpr double MinSecondsPerRepetition = 0.1;
constexpr int MemorySwitches = 20000;

// The guide's targets.
constexpr double SwitchTarget = 1.25;
constexpr double LargePictureTarget = 1.1;
constexpr double LargePictureOfFullDecode = 0.5;
constexpr double StartUpTargetMs = 80;
constexpr double StartUpTargetPssMb = 35;
constexpr double MemoryGrowthTargetMb = 1;

QImage decode(const QString &path, QSize size = QSize())
{
    QImageReader reader(path);
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

// The pixels where no page has a button or a list, compared as the tests do.
bool showsPicture(const QImage &frame, const QImage &picture)
{
    const QPoint corners[] = {{2, frame.height() - 3}, {frame.width() - 3, frame.height() - 3}};
    for (const QPoint &point : corners) {
        const QColor shown(frame.pixel(point));
        const QColor expected(picture.pixel(point));
        const int distance = qAbs(shown.red() - expected.red()) + qAbs(shown.green() - expected.green())
            + qAbs(shown.blue() - expected.blue());
        if (distance > 24)
            return false;
    }
    return true;
}

// The real window, rendered into frame as its pages are painted.
struct Guide
{
    Basewidget *window = nullptr;
    QImage frame{PageSize, QImage::Format_RGB32};
    QVector<QString> pictures; // by page id, full paths
    QStringList icons;
};

// A benchmark of a page that painted something else has measured nothing.
void checkShown(benchmark::State &state, const Guide &guide, PageId id)
{
    if (!showsPicture(guide.frame, decode(guide.pictures[id], PageSize)))
        state.SkipWithError("the window does not show the page's picture");
}

void pageSwitch(benchmark::State &state, Guide &guide, PageId id)
{
    // Untimed: what the event loop would have done between presses.
    QCoreApplication::processEvents();
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        guide.window->sltOpenWidget(id);
        guide.window->render(&guide.frame);
    }
    checkShown(state, guide, id);
}

// The same switch with the page's picture file gone: what building and
// painting the page costs besides the decode.
void pageSwitchWithoutPicture(benchmark::State &state, Guide &guide, PageId id)
{
    QFile picture(guide.pictures[id]);
    const QString hidden = picture.fileName() + QStringLiteral(".hidden");
    if (!picture.rename(hidden)) {
        state.SkipWithError("the picture could not be moved away");
        return;
    }
    QCoreApplication::processEvents();
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        guide.window->sltOpenWidget(id);
        guide.window->render(&guide.frame);
    }
    if (!picture.rename(guide.pictures[id]))
        state.SkipWithError("the picture could not be put back");
}

void repaint(benchmark::State &state, Guide &guide, PageId id)
{
    guide.window->sltOpenWidget(id);
    QCoreApplication::processEvents();
    for (auto _ : state) // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        guide.window->render(&guide.frame);
    checkShown(state, guide, id);
}

void decodePictures(benchmark::State &state, const QStringList &paths, QSize size = QSize())
{
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        for (const QString &path : paths) {
            QImage image = decode(path, size);
            benchmark::DoNotOptimize(image);
            if (image.isNull())
                state.SkipWithError("a picture did not decode");
        }
    }
}

benchmark::internal::Benchmark *add(const QString &name, std::function<void(benchmark::State &)> run)
{
    return benchmark::RegisterBenchmark(name.toUtf8().constData(), std::move(run))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(MinSecondsPerRepetition)
        ->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true);
}

QString sizeName(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

void registerBenchmarks(Guide &guide)
{
    for (PageId id : classPages) {
        const QString picture = guide.pictures[id];
        add(QStringLiteral("switch floor/%1").arg(id),
            [&guide, picture](benchmark::State &state) { decodePictures(state, QStringList(picture) + guide.icons); });
        add(QStringLiteral("switch/%1").arg(id),
            [&guide, id](benchmark::State &state) { pageSwitch(state, guide, id); });
        add(QStringLiteral("switch without picture/%1").arg(id),
            [&guide, id](benchmark::State &state) { pageSwitchWithoutPicture(state, guide, id); });
        add(QStringLiteral("repaint floor/%1").arg(id),
            [picture](benchmark::State &state) { decodePictures(state, {picture}, PageSize); });
        add(QStringLiteral("repaint/%1").arg(id), [&guide, id](benchmark::State &state) { repaint(state, guide, id); });
    }
    for (const SizedPage &sized : sizedPages) {
        const QString name = sizeName(sized.size);
        const QString picture = guide.pictures[sized.id];
        const PageId id = sized.id;
        add(QStringLiteral("decode to page size/") + name,
            [picture](benchmark::State &state) { decodePictures(state, {picture}, PageSize); });
        add(QStringLiteral("decode in full/") + name,
            [picture](benchmark::State &state) { decodePictures(state, {picture}); });
        add(QStringLiteral("size switch/") + name,
            [&guide, id](benchmark::State &state) { pageSwitch(state, guide, id); });
        add(QStringLiteral("size repaint/") + name,
            [&guide, id](benchmark::State &state) { repaint(state, guide, id); });
    }
}

// Resident memory of this process, in kB.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

struct MemoryRun
{
    qint64 startKb = -1;
    qint64 halfwayKb = -1;
    qint64 endKb = -1;
    int switches = 0;
    int painted = 0;
};

// Page after page, every id in turn, each asked for through the event loop as
// a press would, and each painted by the event loop before the next.
MemoryRun switchThroughEventLoop(Basewidget &window, int switches)
{
    const PaintCounter counter(&window);
    MemoryRun run;
    run.startKb = residentKb();
    for (int i = 1; i <= switches; ++i) {
        const int painted = counter.count();
        QMetaObject::invokeMethod(&window, "sltOpenWidget", Qt::QueuedConnection, Q_ARG(int, i % PageCount));
        QElapsedTimer waited;
        waited.start();
        while (counter.count() == painted && waited.elapsed() < 2000)
            QCoreApplication::processEvents();
        run.switches = i;
        run.painted += counter.count() > painted ? 1 : 0;
        if (i == switches / 2)
            run.halfwayKb = residentKb();
    }
    run.endKb = residentKb();
    return run;
}

struct StartUp
{
    int runs = 0;
    double medianMs = -1;
    double medianPssMb = -1;
    double medianRssMb = -1;
};

double median(QVector<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// quorvel-startup's lines: program, milliseconds to the first frame, PSS and
// RSS in kB.
StartUp readStartUp(const QString &path, const QString &program)
{
    QFile file(path);
    QVector<double> ms;
    QVector<double> pssMb;
    QVector<double> rssMb;
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() == 4 && fields[0] == program.toUtf8()) {
                ms << fields[1].toDouble();
                pssMb << fields[2].toDouble() / 1024;
                rssMb << fields[3].toDouble() / 1024;
            }
        }
    }
    return {ms.size(), median(ms), median(pssMb), median(rssMb)};
}

QString cpuName()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown processor");
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("NOT met");
}

QString ms(double value)
{
    return value < 0 ? QStringLiteral("-") : QString::number(value, 'f', value < 10 ? 2 : 1) + QStringLiteral(" ms");
}

QString ratio(double value, double floor)
{
    return value < 0 || floor <= 0 ? QStringLiteral("-") : QString::number(value / floor, 'f', 2);
}

QString mb(double value)
{
    return value < 0 ? QStringLiteral("-") : QString::number(value, 'f', 1) + QStringLiteral(" MB");
}

void printTable(Basewidget &window, const MedianReporter &results, const MemoryRun &memory, const QString &startUpFile)
{
    const auto result = [&results](const QString &name) { return results.medianMs(name.toStdString()); };
    const auto pageLabel = [&window](PageId id) {
        window.sltOpenWidget(id);
        return QStringLiteral("%1, page %2").arg(QLatin1String(window.page()->metaObject()->className())).arg(id);
    };

    Table table;
    table.line(QStringLiteral("Quorvel guide benchmark: Release build, Qt %1, offscreen platform")
                   .arg(QLatin1String(qVersion())));
    table.line(QStringLiteral("Machine: %1, %2 cores; %3, Linux %4")
                   .arg(cpuName())
                   .arg(QThread::idealThreadCount())
                   .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion()));
    table.line(QStringLiteral("Times are medians of %1 repetitions, all benchmarks' repetitions run in a random order; "
                              "each floor is measured in this run.")
                   .arg(Repetitions));

    table.heading(QStringLiteral("Page switch to painted page, 1000 x 600 pictures. Floor: its picture and the three "
                                 "icons, decoded with a plain QImageReader"),
                  {QStringLiteral("switch"), QStringLiteral("floor"), QStringLiteral("ratio"), QStringLiteral("target"),
                   QString(), QStringLiteral("no picture")});
    for (PageId id : classPages) {
        const double time = result(QStringLiteral("switch/%1").arg(id));
        const double floor = result(QStringLiteral("switch floor/%1").arg(id));
        table.row({pageLabel(id), ms(time), ms(floor), ratio(time, floor), QStringLiteral("<= %1").arg(SwitchTarget),
                   verdict(time > 0 && time <= SwitchTarget * floor),
                   ms(result(QStringLiteral("switch without picture/%1").arg(id)))});
    }
    table.line(
        QStringLiteral("(no picture: the same switch with the picture file moved away, the page built and painted "
                       "without its decode)"));

    table.heading(
        QStringLiteral("Repaint of a shown page, what a hover costs. Floor: one decode of its picture at page size"),
        {QStringLiteral("repaint"), QStringLiteral("floor"), QStringLiteral("ratio")});
    for (PageId id : classPages) {
        const double time = result(QStringLiteral("repaint/%1").arg(id));
        const double floor = result(QStringLiteral("repaint floor/%1").arg(id));
        table.row({pageLabel(id), ms(time), ms(floor), ratio(time, floor)});
    }

    table.heading(QStringLiteral("Larger pictures. Floor: decoding the file straight to 1000 x 600; "
                                 "full: decoding it at its own size"),
                  {QStringLiteral("time"), QStringLiteral("floor"), QStringLiteral("ratio"), QStringLiteral("full"),
                   QStringLiteral("of full"), QStringLiteral("targets")});
    for (const SizedPage &sized : sizedPages) {
        const QString name = sizeName(sized.size);
        const double floor = result(QStringLiteral("decode to page size/") + name);
        const double full = result(QStringLiteral("decode in full/") + name);
        for (const QString &kind : {QStringLiteral("switch"), QStringLiteral("repaint")}) {
            const double time = result(QStringLiteral("size %1/%2").arg(kind, name));
            QStringList cells = {QStringLiteral("%1 x %2, page %3 %4")
                                     .arg(sized.size.width())
                                     .arg(sized.size.height())
                                     .arg(sized.id)
                                     .arg(kind),
                                 ms(time),
                                 ms(floor),
                                 ratio(time, floor),
                                 ms(full),
                                 ratio(time, full)};
            if (sized.size.width() >= 4000) {
                QStringList missed;
                if (!(time > 0 && time <= LargePictureTarget * floor))
                    missed << QStringLiteral("ratio");
                if (!(time > 0 && time <= LargePictureOfFullDecode * full))
                    missed << QStringLiteral("of full");
                cells << QStringLiteral("%1, %2").arg(LargePictureTarget).arg(LargePictureOfFullDecode)
                      << (missed.isEmpty() ? verdict(true) : verdict(false) + QStringLiteral(": ") + missed.join(", "));
            }
            table.row(cells);
        }
    }
    table.line(QStringLiteral("(targets at 4000 x 3000: ratio at most %1, and at most %2 of the full decode)")
                   .arg(LargePictureTarget)
                   .arg(LargePictureOfFullDecode));

    const StartUp guide = readStartUp(startUpFile, QStringLiteral("quorvel-guide"));
    const StartUp minimal = readStartUp(startUpFile, QStringLiteral("quorvel-minimal-window"));
    table.heading(
        QStringLiteral("Start-up under Xvfb, medians of %1 starts each. Yardstick: a minimal Qt window")
            .arg(guide.runs),
        {QStringLiteral("guide"), QStringLiteral("minimal"), QStringLiteral("ratio"), QStringLiteral("target")});
    if (guide.runs == 0) {
        table.line(QStringLiteral("not measured: ./guide bench measures it first, under Xvfb"));
    } else {
        table.row({QStringLiteral("process start to first frame"), ms(guide.medianMs), ms(minimal.medianMs),
                   ratio(guide.medianMs, minimal.medianMs), QStringLiteral("<= %1 ms").arg(StartUpTargetMs),
                   verdict(guide.medianMs <= StartUpTargetMs)});
        table.row({QStringLiteral("memory then (PSS)"), mb(guide.medianPssMb), mb(minimal.medianPssMb),
                   ratio(guide.medianPssMb, minimal.medianPssMb), QStringLiteral("<= %1 MB").arg(StartUpTargetPssMb),
                   verdict(guide.medianPssMb <= StartUpTargetPssMb)});
        table.row({QStringLiteral("memory then (RSS)"), mb(guide.medianRssMb), mb(minimal.medianRssMb),
                   ratio(guide.medianRssMb, minimal.medianRssMb)});
        table.line(QStringLiteral("(PSS shares each library page among the processes mapping it, so other Qt programs "
                                  "running at the time lower it; RSS counts every page in full)"));
    }

    table.heading(QStringLiteral("Memory over %1 page switches through the event loop, every id in turn; %2 painted")
                      .arg(memory.switches)
                      .arg(memory.painted),
                  {QStringLiteral("at start"), QStringLiteral("halfway"), QStringLiteral("at end"),
                   QStringLiteral("growth"), QStringLiteral("target")});
    const double growthMb = double(memory.endKb - memory.halfwayKb) / 1024.0;
    table.row({QStringLiteral("resident memory (RSS)"), mb(double(memory.startKb) / 1024.0),
               mb(double(memory.halfwayKb) / 1024.0), mb(double(memory.endKb) / 1024.0),
               QString::number(growthMb, 'f', 2) + QStringLiteral(" MB"),
               QStringLiteral("< %1 MB").arg(MemoryGrowthTargetMb),
               verdict(memory.painted == memory.switches && growthMb < MemoryGrowthTargetMb)});
}

// The pictures and first frames that quorvel-startup needs: the picture set
// beside the guide, and what its start page and the minimal window look like.
int writeStartUpFiles(const QString &guideFolder, const QString &frameFolder)
{
    if (!BenchPictures::writeGuideSet(guideFolder))
        return 1;
    const QImage startPage = decode(guideFolder + GuidePictures::pagePictures()[StartPageId], PageSize);
    QImage minimal(PageSize, QImage::Format_RGB32);
    minimal.fill(MinimalWindowColour);
    const bool written = startPage.save(frameFolder + QStringLiteral("/quorvel-guide.ppm"))
        && minimal.save(frameFolder + QStringLiteral("/quorvel-minimal-window.ppm"));
    return written ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // The benchmarks run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();

    if (arguments.size() == 4 && arguments[1] == QLatin1String("--start-up-files"))
        return writeStartUpFiles(arguments[2], arguments[3]);
    const int startUpOption = arguments.indexOf(QStringLiteral("--start-up"));
    const QString startUpFile = startUpOption > 0 ? arguments.value(startUpOption + 1) : QString();

    // Every repetition of every benchmark in a random order, so that a burst of
    // load from elsewhere on the machine falls on a row and its floor alike.
    std::vector<char *> benchmarkArguments(argv, argv + argc);
    char interleaved[] = "--benchmark_enable_random_interleaving=true";
    benchmarkArguments.insert(benchmarkArguments.begin() + 1, interleaved);
    int benchmarkArgumentCount = int(benchmarkArguments.size());
    benchmark::Initialize(&benchmarkArgumentCount, benchmarkArguments.data());

    // As the guide's main() sets it: the home page's list lays out its text.
    QApplication::setFont(guideFont());

    std::fprintf(stderr, "Writing the pictures...\n");
    const QString folder = QCoreApplication::applicationDirPath();
    if (!BenchPictures::writeGuideSet(folder))
        return 1;
    Guide guide;
    for (const QString &name : GuidePictures::pagePictures())
        guide.pictures << folder + name;
    for (const QString &name : AbstractQuorvelWidget::navigationPictures())
        guide.icons << folder + name;
    for (const SizedPage &sized : sizedPages) {
        if (!BenchPictures::saveJpeg(BenchPictures::photo(sized.size, sized.id), guide.pictures[sized.id]))
            return 1;
    }

    Basewidget window;
    guide.window = &window;
    window.show();
    // The start delay would open the home page in the middle of a benchmark.
    emit window.topWatcher()->sigExit();
    while (QLatin1String(window.page()->metaObject()->className()) != QLatin1String("QuorvelHome"))
        QCoreApplication::processEvents();

    std::fprintf(stderr, "Running the benchmarks...\n");
    registerBenchmarks(guide);
    MedianReporter results;
    benchmark::RunSpecifiedBenchmarks(&results);
    benchmark::Shutdown();

    std::fprintf(stderr, "Switching pages %d times through the event loop...\n", MemorySwitches);
    const MemoryRun memory = switchThroughEventLoop(window, MemorySwitches);

    printTable(window, results, memory, startUpFile);
    return 0;
}
