#include "benchmarks.h"

#include "measures/measures.h"
#include "measures/paintcounter.h"
#include "measures/processmemory.h"
#include "shell/abstractquorvelwidget.h"
#include "shell/basewidget.h"
#include "shell/pagefactory.h"
#include "shell/picturefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QWindow>

#include <functional>
#include <utility>

#include <benchmark/benchmark.h>

namespace Benchmarks {

namespace {

constexpr double MinSecondsPerRepetition = 0.1;
constexpr int GiveUpMs = 5000;

// The floor's decode: a plain QImageReader, as any program would read the file.
QImage decode(const QString &path, QSize size = QSize())
{
    QImageReader reader(path);
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

// The page's size in the pixels it is painted in.
QSize deviceSize(const Guide &guide)
{
    return PageSize * guide.window->devicePixelRatioF();
}

// Where no page has a button or a list.
QPoint bareSpot()
{
    return {2, PageSize.height() - 3};
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

// A file to decode, straight to size where one is given.
struct Decode
{
    QString path;
    QSize size;
};

void decodePictures(benchmark::State &state, const QVector<Decode> &decodes)
{
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        for (const Decode &file : decodes) {
            QImage image = decode(file.path, file.size);
            benchmark::DoNotOptimize(image);
            if (image.isNull())
                state.SkipWithError("a picture did not decode");
        }
    }
}

// Waits for a paint: an event filter on the application sees each paint
// event as it is delivered, and wait() runs the event loop until one reached a
// widget that wanted() accepts and the event loop has carried it out.
class PaintWait : public QObject
{
public:
    using Wanted = std::function<bool(const QObject *)>;

    explicit PaintWait(Wanted wanted)
        : wanted(std::move(wanted))
    {
        qApp->installEventFilter(this);
    }
    ~PaintWait() override { qApp->removeEventFilter(this); }

    // False when it gave up.
    bool wait()
    {
        QElapsedTimer waited;
        waited.start();
        while (!seen) {
            if (waited.elapsed() > GiveUpMs)
                return false;
            QCoreApplication::processEvents();
        }
        return true;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && wanted(watched))
            seen = true;
        return false;
    }

private:
    Wanted wanted;
    bool seen = false;
};

// A page decodes a file changed within the last second again at every paint
// (its times may not show a change made within the file system's clock
// tick). A site's pictures are older than that; so are the bench's before a
// press or hover is measured.
void settleFiles(const Guide &guide)
{
    constexpr int SettledMs = 1100;
    if (guide.fileChanged.isValid() && guide.fileChanged.elapsed() < SettledMs)
        QThread::msleep(SettledMs - guide.fileChanged.elapsed());
}

// Untimed: the window on a page, painted, nothing pending.
bool showPage(Guide &guide, PageId id)
{
    PaintWait shown([&guide](const QObject *widget) { return widget == guide.window->page(); });
    guide.window->sltOpenWidget(id);
    const bool painted = shown.wait();
    QCoreApplication::processEvents();
    return painted;
}

// A visitor's press on the button that leads to the page, delivered to the
// window as the platform delivers one, timed until the new page has painted.
void pressTo(benchmark::State &state, Guide &guide, PageId id, bool withPicture)
{
    PageId from = NoPageId;
    const GuideSurvey::Button *button = buttonTo(guide, id, &from);
    if (!button) {
        state.SkipWithError("no button leads to this page");
        return;
    }
    const QPoint point = button->rect.center();
    QWindow *window = guide.window->windowHandle();
    settleFiles(guide);
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        // Untimed: the page before, with the pointer resting on the button.
        if (!showPage(guide, from)) {
            state.SkipWithError("the page before was not painted");
            return;
        }
        QTest::mouseMove(window, point);
        QCoreApplication::processEvents();

        const QPointer<QWidget> before = guide.window->page();
        PaintWait newPage(
            [&guide, &before](const QObject *widget) { return before.isNull() && widget == guide.window->page(); });
        QElapsedTimer timer;
        timer.start();
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, point);
        const bool painted = newPage.wait();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);

        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, point);
        if (!painted) {
            state.SkipWithError("the new page was not painted");
            return;
        }
    }
    QCoreApplication::processEvents();
    if (withPicture) {
        guide.window->render(&guide.frame);
        checkShown(state, guide, id);
    }
}

void press(benchmark::State &state, Guide &guide, PageId id)
{
    const QString alike = guide.photosAlike.value(id);
    PageId from = NoPageId;
    if (alike.isEmpty() || !buttonTo(guide, id, &from)) {
        pressTo(state, guide, id, true);
        return;
    }
    // The page pressed on shows a photo as large as the new page's.
    QFile before(guide.pictures[from]);
    const QString kept = before.fileName() + QStringLiteral(".kept");
    guide.fileChanged.start();
    if (!before.rename(kept) || !QFile::copy(alike, guide.pictures[from])) {
        state.SkipWithError("the picture of the page before could not be replaced");
        return;
    }
    pressTo(state, guide, id, true);
    guide.fileChanged.start();
    if (!QFile::remove(guide.pictures[from]) || !QFile::rename(kept, guide.pictures[from]))
        state.SkipWithError("the picture of the page before could not be put back");
}

// The same press with the new page's picture file gone: what building and
// painting the page costs besides its decode.
void pressWithoutPicture(benchmark::State &state, Guide &guide, PageId id)
{
    QFile picture(guide.pictures[id]);
    const QString hidden = picture.fileName() + QStringLiteral(".hidden");
    guide.fileChanged.start();
    if (!picture.rename(hidden)) {
        state.SkipWithError("the picture could not be moved away");
        return;
    }
    PageId from = NoPageId;
    if (buttonTo(guide, id, &from) && guide.pictures[from] == guide.pictures[id])
        state.SkipWithError("the page before shows the same picture");
    else
        pressTo(state, guide, id, false);
    guide.fileChanged.start();
    if (!picture.rename(guide.pictures[id]))
        state.SkipWithError("the picture could not be put back");
}

// The pointer moves from a bare spot of the page onto a button (see
// hoverButton()), timed until the button has painted itself under the
// pointer: a hot-spot its wash, a see-through one nothing, yet it repaints.
void hover(benchmark::State &state, Guide &guide, PageId id)
{
    const GuideSurvey::Button *spot = hoverButton(guide, id);
    if (!spot) {
        state.SkipWithError("the page has no button");
        return;
    }
    settleFiles(guide);
    if (!showPage(guide, id)) {
        state.SkipWithError("the page was not painted");
        return;
    }
    const QPoint inside = spot->rect.center();
    const QPoint outside = bareSpot();
    const QWidget *button = guide.window->childAt(inside);
    if (!button) {
        state.SkipWithError("no widget at the hot-spot");
        return;
    }
    QWindow *window = guide.window->windowHandle();
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        // Untimed: off the hot-spot, its wash gone.
        QTest::mouseMove(window, outside);
        QCoreApplication::processEvents();

        PaintWait wash([button](const QObject *widget) { return widget == button; });
        QElapsedTimer timer;
        timer.start();
        QTest::mouseMove(window, inside);
        const bool painted = wash.wait();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!painted) {
            state.SkipWithError("the hot-spot did not repaint");
            return;
        }
    }
    QTest::mouseMove(window, outside);
    QCoreApplication::processEvents();
    guide.window->render(&guide.frame);
    checkShown(state, guide, id);
}

// A page built as the window builds one at every switch, up to what show()
// does before the first paint, then deleted: its style sheet is set in its
// constructor, and the window becomes its parent afterwards, whose sheet then
// reaches the page's widgets too. Nothing is shown or painted.
void buildPage(benchmark::State &state, PageId id, QWidget *parent)
{
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        AbstractQuorvelWidget *page = PageFactory::create(id);
        page->setGeometry(QRect(QPoint(), PageSize));
        if (parent)
            page->setParent(parent);
        if (PageFactory::setsPageId(id))
            page->pageId = id;
        page->initPage();
        page->ensurePolished();
        delete page;
    }
}

void build(benchmark::State &state, Guide &guide, PageId id)
{
    buildPage(state, id, guide.window);
}

// The same without the window as parent: the page's own sheet alone.
void buildUnparented(benchmark::State &state, Guide &, PageId id)
{
    buildPage(state, id, nullptr);
}

// The floors: the new page's picture, decoded to the page's size in device
// pixels, and the three icons, as a press must read them; the picture alone.
void pressFloor(benchmark::State &state, Guide &guide, PageId id)
{
    QVector<Decode> decodes = {{guide.pictures[id], deviceSize(guide)}};
    for (const QString &icon : guide.icons)
        decodes.append({icon, QSize()});
    decodePictures(state, decodes);
}

void decodeToPageSize(benchmark::State &state, Guide &guide, PageId id)
{
    decodePictures(state, {{guide.pictures[id], deviceSize(guide)}});
}

// The guide's own reading, bound and all, and a plain QImageReader decode of
// the same file at the same size, one after the other and in turns which
// goes first: the load of a shared machine falls on both alike, where two
// benchmarks' repetitions lie seconds apart.
void guideReading(benchmark::State &state, Guide &guide, PageId id)
{
    ReadingTimes &times = guide.readings[id];
    const QString &path = guide.pictures[id];
    const QSize size = deviceSize(guide);
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop
        const bool guideFirst = times.guideMs.size() % 2 == 0;
        double guideMs = 0;
        for (const bool guideSide : {guideFirst, !guideFirst}) {
            QElapsedTimer timer;
            timer.start();
            QImage image = guideSide ? readPicture(path, size) : decode(path, size);
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            benchmark::DoNotOptimize(image);
            if (image.isNull())
                state.SkipWithError("a picture did not read");
            (guideSide ? times.guideMs : times.plainMs).append(ms);
            if (guideSide)
                guideMs = ms;
        }
        state.SetIterationTime(guideMs / 1e3);
    }
}

void decodeInFull(benchmark::State &state, Guide &guide, PageId id)
{
    decodePictures(state, {{guide.pictures[id], QSize()}});
}

using Run = void (*)(benchmark::State &, Guide &, PageId);

struct Kind
{
    const char *kind;
    Run run;
    bool timedByItself = false; // times each repetition's measured part alone
    double minSeconds = MinSecondsPerRepetition;
};

// Enough pairs of readings of the largest photo for their median to hold.
constexpr double ReadingSecondsPerRepetition = 0.5;

// What is measured on each of classPages, and on each of sizedPages; a new
// row of the report starts as a line here.
const Kind pageKinds[] = {
    {"press floor", pressFloor},           {"press", press, true}, {"press without picture", pressWithoutPicture, true},
    {"hover floor", decodeToPageSize},     {"hover", hover, true}, {"build", build},
    {"build unparented", buildUnparented},
};
const Kind sizeKinds[] = {
    {"press floor", pressFloor},       {"press", press, true},
    {"hover floor", decodeToPageSize}, {"hover", hover, true},
    {"decode in full", decodeInFull},  {"guide reading", guideReading, true, ReadingSecondsPerRepetition},
};
const Kind scaleTwoKinds[] = {
    {"press floor", pressFloor},
    {"press", press, true},
    {"hover floor", decodeToPageSize},
    {"hover", hover, true},
};

void add(Guide &guide, const Kind &kind, PageId id)
{
    const Run run = kind.run;
    benchmark::internal::Benchmark *benchmark
        = benchmark::RegisterBenchmark(name(kind.kind, id).toUtf8().constData(),
                                       [&guide, run, id](benchmark::State &state) { run(state, guide, id); })
              ->Unit(benchmark::kMillisecond)
              ->MinTime(kind.minSeconds)
              ->Repetitions(Repetitions)
              ->ReportAggregatesOnly(true);
    if (kind.timedByItself)
        benchmark->UseManualTime();
    else
        benchmark->UseRealTime();
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

void registerScaleTwo(Guide &guide)
{
    for (const PageId id : scaleTwoPages) {
        for (const Kind &kind : scaleTwoKinds)
            add(guide, kind, id);
    }
}

const GuideSurvey::Button *buttonTo(const Guide &guide, PageId target, PageId *from)
{
    for (const GuideSurvey::Page &page : guide.pages) {
        if (page.id == target)
            continue;
        for (const GuideSurvey::Button &button : page.buttons) {
            if (button.target == target) {
                if (from)
                    *from = page.id;
                return &button;
            }
        }
    }
    return nullptr;
}

const GuideSurvey::Button *hoverButton(const Guide &guide, PageId id)
{
    if (id < 0 || id >= guide.pages.size())
        return nullptr;
    const QVector<GuideSurvey::Button> &buttons = guide.pages.at(id).buttons;
    for (const GuideSurvey::Button &button : buttons) {
        if (button.role == QLatin1String("hot-spot"))
            return &button;
    }
    return buttons.isEmpty() ? nullptr : &buttons.first();
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
