#include "benchmarks.h"

#include "shell/basewidget.h"
#include "shell/picturefile.h"
#include "tools/measures.h"
#include "tools/paintcounter.h"
#include "tools/processmemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>

#include <benchmark/benchmark.h>

namespace Benchmarks {

namespace {

constexpr double MinSecondsPerRepetition = 0.1;

// The floor's decode: a plain QImageReader, as any program would read the file.
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
        if (Measures::colourDistance(frame.pixel(point), picture.pixel(point)) > Measures::SameColour)
            return false;
    }
    return true;
}

// A benchmark of a page that painted something else has measured nothing.
void checkShown(benchmark::State &state, const Guide &guide, PageId id)
{
    if (!showsPicture(guide.frame, decode(guide.pictures[id], PageSize)))
        state.SkipWithError("the window does not show the page's picture");
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

// The floors: the page's picture and the three icons, as a switch reads them;
// the picture alone at page size, as a repaint would if nothing were kept.
void switchFloor(benchmark::State &state, Guide &guide, PageId id)
{
    decodePictures(state, QStringList(guide.pictures[id]) + guide.icons);
}

void decodeToPageSize(benchmark::State &state, Guide &guide, PageId id)
{
    decodePictures(state, {guide.pictures[id]}, PageSize);
}

void decodeInFull(benchmark::State &state, Guide &guide, PageId id)
{
    decodePictures(state, {guide.pictures[id]});
}

using Run = void (*)(benchmark::State &, Guide &, PageId);

struct Kind
{
    const char *kind;
    Run run;
};

// What is measured on each of classPages, and on each of sizedPages; a new
// row of the report starts as a line here.
const Kind pageKinds[] = {
    {"switch floor", switchFloor},       {"switch", pageSwitch}, {"switch without picture", pageSwitchWithoutPicture},
    {"repaint floor", decodeToPageSize}, {"repaint", repaint},
};
const Kind sizeKinds[] = {
    {"decode to page size", decodeToPageSize},
    {"decode in full", decodeInFull},
    {"switch", pageSwitch},
    {"repaint", repaint},
};

void add(Guide &guide, const Kind &kind, PageId id)
{
    const Run run = kind.run;
    benchmark::RegisterBenchmark(name(kind.kind, id).toUtf8().constData(),
                                 [&guide, run, id](benchmark::State &state) { run(state, guide, id); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(MinSecondsPerRepetition)
        ->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true);
}

} // namespace

QString name(const char *kind, PageId id)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(kind)).arg(id);
}

void registerAll(Guide &guide)
{
    for (const PageId id : classPages) {
        for (const Kind &kind : pageKinds)
            add(guide, kind, id);
    }
    for (const SizedPage &sized : sizedPages) {
        for (const Kind &kind : sizeKinds)
            add(guide, kind, sized.id);
    }
}

MemoryRun switchThroughEventLoop(Basewidget &window, int switches)
{
    const PaintCounter counter(&window);
    MemoryRun run;
    run.startKb = ProcessMemory::residentKb();
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
            run.halfwayKb = ProcessMemory::residentKb();
    }
    run.endKb = ProcessMemory::residentKb();
    return run;
}

} // namespace Benchmarks
