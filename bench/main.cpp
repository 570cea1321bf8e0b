#include "benchmarks.h"
#include "benchpictures.h"
#include "medianreporter.h"
#include "minimalwindow.h"
#include "report.h"

#include "shell/abstractquorvelwidget.h"
#include "shell/basewidget.h"
#include "shell/guidefont.h"
#include "shell/picturefile.h"
#include "shell/topwatcher.h"
#include "tools/guidepictures.h"
#include "tools/guidesurvey.h"
#include "tools/picturefit.h"

#include "field/fieldlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int MemorySwitches = 20000;
constexpr int HomePageWithinMs = 10000;

// The pictures and first frames that quorvel-startup needs: the picture set
// beside the guide, and what its start page and the minimal window look like.
int writeStartUpFiles(const QString &guideFolder, const QString &frameFolder)
{
    if (!BenchPictures::writeGuideSet(guideFolder))
        return 1;
    const QImage startPage = readPicture(guideFolder + GuidePictures::pagePictures().value(StartPageId), PageSize);
    QImage minimal(PageSize, QImage::Format_RGB32);
    minimal.fill(MinimalWindowColour);
    const bool written = startPage.save(frameFolder + QStringLiteral("/quorvel-guide.ppm"))
        && minimal.save(frameFolder + QStringLiteral("/quorvel-minimal-window.ppm"));
    return written ? 0 : 1;
}

// The start delay would open the home page in the middle of a benchmark.
bool skipStartDelay(Basewidget &window)
{
    emit window.topWatcher()->sigExit();
    QElapsedTimer waited;
    waited.start();
    while (QLatin1String(window.page()->metaObject()->className()) != QLatin1String("QuorvelHome")) {
        if (waited.elapsed() > HomePageWithinMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A photo saved as a designer's, then put through `guide-pictures fit` as a
// site would before packing: what lands at path is what fit writes.
bool writeFitted(const QImage &photo, const QString &name, const QString &path)
{
    QTemporaryDir designer;
    QTemporaryDir fitted;
    QStringList report;
    QString error;
    if (!designer.isValid() || !fitted.isValid() || !BenchPictures::saveJpeg(photo, designer.path() + name)
        || !PictureFit::fit(designer.path(), fitted.path(), 1, &report, &error))
        return false;
    QFile::remove(path);
    return QFile::copy(fitted.path() + name, path);
}

} // namespace

int main(int argc, char *argv[])
{
    // The benchmarks run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt reads its scale once, as the application is built: the rows at scale 2
    // run in a process of their own.
    const bool scaleTwo = argc == 3 && std::strcmp(argv[1], "--scale-two") == 0;
    if (scaleTwo)
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    // The home page logs each change of its model list, which the survey makes.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    const QStringList arguments = QCoreApplication::arguments();

    if (arguments.size() == 4 && arguments[1] == QLatin1String("--start-up-files"))
        return writeStartUpFiles(arguments[2], arguments[3]);
    const int startUpOption = arguments.indexOf(QStringLiteral("--start-up"));
    const int scaleTwoOption = arguments.indexOf(QStringLiteral("--scale-two-results"));

    // Every repetition of every benchmark in a random order, so that a burst of
    // load from elsewhere on the machine falls on a row and its floor alike.
    std::vector<char *> benchmarkArguments(argv, argv + argc);
    const bool filtered = std::any_of(argv + 1, argv + argc, [](const char *argument) {
        return std::strncmp(argument, "--benchmark_filter", std::strlen("--benchmark_filter")) == 0;
    });
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
    Report::Inputs report;
    Benchmarks::Guide guide;
    guide.frame = QImage(PageSize, QImage::Format_RGB32);
    guide.pages = GuideSurvey::survey();
    for (const GuideSurvey::Page &page : guide.pages) {
        guide.pictures << folder + page.picture;
        report.pageClasses << page.pageClass;
    }
    for (const QString &name : AbstractQuorvelWidget::navigationPictures())
        guide.icons << folder + name;
    for (const Benchmarks::SizedPage &sized : Benchmarks::sizedPages) {
        const QString alike = guide.pictures[sized.id] + QStringLiteral(".alike");
        const bool written = sized.fitted
            ? writeFitted(BenchPictures::photo(sized.size, sized.id), guide.pages[sized.id].picture,
                          guide.pictures[sized.id])
                && writeFitted(BenchPictures::photo(sized.size, sized.id + PageCount), guide.pages[sized.id].picture,
                               alike)
            : BenchPictures::saveJpeg(BenchPictures::photo(sized.size, sized.id), guide.pictures[sized.id])
                && BenchPictures::saveJpeg(BenchPictures::photo(sized.size, sized.id + PageCount), alike);
        if (!written)
            return 1;
        guide.photosAlike.insert(sized.id, alike);
    }
    guide.fileChanged.start();

    Basewidget window;
    guide.window = &window;
    window.show();
    // Measured as the guide runs: with what watches it in the field counting
    // every press, its database, metrics and socket in the bench's own folder.
    const QByteArray here = QFile::encodeName(QCoreApplication::applicationDirPath());
    qputenv("STATE_DIRECTORY", here);
    qputenv("QUORVEL_GUIDE_METRICS_DIR", here);
    qputenv("QUORVEL_GUIDE_SOCKET", here + "/quorvel-guide.screen");
    FieldLayer field(&window);
    if (!skipStartDelay(window)) {
        std::fprintf(stderr, "The home page did not show within %d ms.\n", HomePageWithinMs);
        return 1;
    }

    MedianReporter results;
    if (scaleTwo) {
        std::fprintf(stderr, "Running the benchmarks at device pixel ratio %g...\n", window.devicePixelRatioF());
        Benchmarks::registerScaleTwo(guide);
        benchmark::RunSpecifiedBenchmarks(&results);
        benchmark::Shutdown();
        return Report::writeScaleTwo(results, window.devicePixelRatioF(), arguments[2]) ? 0 : 1;
    }

    std::fprintf(stderr, "Running the benchmarks...\n");
    Benchmarks::registerAll(guide);
    benchmark::RunSpecifiedBenchmarks(&results);
    benchmark::Shutdown();

    // The soak takes minutes: a run that asks for some benchmarks only is spared it.
    if (!filtered) {
        std::fprintf(stderr, "Switching pages %d times through the event loop...\n", MemorySwitches);
        report.memory = Benchmarks::switchThroughEventLoop(window, MemorySwitches);
    }

    report.results = &results;
    report.guide = &guide;
    report.startUpFile = startUpOption > 0 ? arguments.value(startUpOption + 1) : QString();
    report.scaleTwoFile = scaleTwoOption > 0 ? arguments.value(scaleTwoOption + 1) : QString();
    report.devicePixelRatio = window.devicePixelRatioF();
    Report::print(report);
    return 0;
}
