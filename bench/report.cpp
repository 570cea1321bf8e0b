#include "report.h"

#include "medianreporter.h"
#include "table.h"
#include "targets.h"

#include "measures/measures.h"

#include <QFile>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>

#include <functional>
#include <map>
#include <utility>

namespace Report {

namespace {

struct StartUp
{
    int runs = 0;
    double medianMs = -1;
    double medianPssMb = -1;
    double medianRssMb = -1;
};

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
    return {int(ms.size()), Measures::median(ms), Measures::median(pssMb), Measures::median(rssMb)};
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

// Results of the run at scale 2, as writeScaleTwo() wrote them: the device
// pixel ratio on the first line, then a name and milliseconds a line.
struct ScaleTwo
{
    double devicePixelRatio = -1;
    std::map<std::string, double> medians;
};

ScaleTwo readScaleTwo(const QString &path)
{
    ScaleTwo run;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return run;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 2)
            continue;
        if (fields[0] == "device pixel ratio")
            run.devicePixelRatio = fields[1].toDouble();
        else
            run.medians[fields[0].toStdString()] = fields[1].toDouble();
    }
    return run;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() < 3 ? QStringLiteral("unknown")
                             : QString::fromLatin1(fields[0] + ", " + fields[1] + ", " + fields[2]);
}

// The fitted photo was 4000 x 3000 before `guide-pictures fit` wrote it at page size.
QString sizeLabel(const Benchmarks::SizedPage &sized)
{
    return QStringLiteral("%1 x %2%3")
        .arg(sized.size.width())
        .arg(sized.size.height())
        .arg(sized.fitted ? QStringLiteral(" fitted") : QString());
}

double pressTarget(PageId id)
{
    for (const PageId busy : Targets::BusyPages) {
        if (busy == id)
            return Targets::BusyPagePressOfFloor;
    }
    return Targets::PressOfFloor;
}

// The press and hover of one page, each beside its floor and target; from
// the medians of whichever run measured them.
class PageRows
{
public:
    using Result = std::function<double(const char *kind)>;

    explicit PageRows(Result result)
        : result(std::move(result))
    {
    }

    QStringList press(PageId id) const
    {
        const double time = result("press");
        const double floor = result("press floor");
        const double target = pressTarget(id);
        return {ms(time), ms(floor), ratio(time, floor), QStringLiteral("<= %1").arg(target),
                time < 0 ? QStringLiteral("-") : verdict(time <= target * floor)};
    }

    QStringList hover() const
    {
        const double time = result("hover");
        const double floor = result("hover floor");
        return {ms(time), ms(floor), ratio(time, floor), QStringLiteral("<= %1").arg(Targets::HoverOfDecode),
                time < 0 ? QStringLiteral("-") : verdict(time <= Targets::HoverOfDecode * floor)};
    }

private:
    Result result;
};

class Printer
{
public:
    explicit Printer(const Inputs &inputs)
        : inputs(inputs)
    {
    }

    void header();
    void presses();
    void hovers();
    void largePictures();
    void scaleTwo();
    void startUp();
    void memory();

private:
    double result(const char *kind, PageId id) const { return inputs.results->medianMs(name(kind, id)); }
    PageRows rows(PageId id) const
    {
        return PageRows([this, id](const char *kind) { return result(kind, id); });
    }
    static std::string name(const char *kind, PageId id) { return Benchmarks::name(kind, id).toStdString(); }
    QString pageLabel(PageId id) const
    {
        return QStringLiteral("%1, page %2").arg(inputs.pageClasses.value(id)).arg(id);
    }

    const Inputs &inputs;
    Table table;
};

void Printer::header()
{
    table.line(
        QStringLiteral("Quorvel guide benchmark: Release build, Qt %1, offscreen platform, device pixel ratio %2")
            .arg(QLatin1String(qVersion()))
            .arg(inputs.devicePixelRatio));
    table.line(QStringLiteral("Machine: %1, %2 cores; %3, Linux %4; load average %5 at the end")
                   .arg(cpuName())
                   .arg(QThread::idealThreadCount())
                   .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(), loadAverage()));
    table.line(QStringLiteral("Times are medians of %1 repetitions, all benchmarks' repetitions run in a random order; "
                              "each floor is measured in this run.")
                   .arg(Benchmarks::Repetitions));
}

void Printer::presses()
{
    table.heading(QStringLiteral("A press on the button that leads to the page (QTest through the window), until the "
                                 "new page has painted; 1000 x 600 pictures.\nFloor: the new page's picture decoded "
                                 "at the page's size in device pixels, and the three icons, with a plain QImageReader"),
                  {QStringLiteral("from"), QStringLiteral("press"), QStringLiteral("floor"), QStringLiteral("ratio"),
                   QStringLiteral("target"), QString(), QStringLiteral("no picture"), QStringLiteral("build"),
                   QStringLiteral("unparented"), QStringLiteral("least")});
    for (const PageId id : Benchmarks::classPages) {
        PageId from = NoPageId;
        const GuideSurvey::Button *button = nullptr;
        if (inputs.guide)
            button = Benchmarks::buttonTo(*inputs.guide, id, &from);
        const QString role = button && button->role == QLatin1String("hot-spot") ? QStringLiteral("spot")
            : button                                                             ? button->role
                                                                                 : QString();
        const QString origin = button ? QStringLiteral("%1 %2").arg(from).arg(role) : QStringLiteral("none");
        const double build = result("build", id);
        const double least = build < 0 ? -1 : result("hover floor", id) + build;
        table.row(QStringList{pageLabel(id), origin} + rows(id).press(id)
                  + QStringList{ms(result("press without picture", id)), ms(build), ms(result("build unparented", id)),
                                ratio(least, result("press floor", id))});
    }
    table.line(QStringLiteral(
        "(from: the page pressed on and its button, spot a hot-spot; none leads to the start page. no picture: the "
        "same press with "
        "the new page's picture moved away.\n build: the new page built as the window builds it, up to the polish "
        "show() does, and deleted, unpainted; unparented: the same without the window as parent.\n least: the "
        "picture's decode plus build, over the floor: what a press costs at the least while pages are built so)"));
}

void Printer::hovers()
{
    table.heading(QStringLiteral("The pointer onto a button (QTest through the window), until the button has painted. "
                                 "Floor: one decode of the page's picture at the page's size in device pixels"),
                  {QStringLiteral("button"), QStringLiteral("hover"), QStringLiteral("floor"), QStringLiteral("ratio"),
                   QStringLiteral("target")});
    for (const PageId id : Benchmarks::classPages) {
        const GuideSurvey::Button *button = inputs.guide ? Benchmarks::hoverButton(*inputs.guide, id) : nullptr;
        table.row(QStringList{pageLabel(id), button ? button->role : QStringLiteral("none")} + rows(id).hover());
    }
    table.line(QStringLiteral("(button: the page's first hot-spot, or its first navigation button where it has no "
                              "hot-spot; the start page shows none)"));
}

void Printer::largePictures()
{
    table.heading(QStringLiteral("Larger pictures on type pages: press and hover as above, the page pressed on "
                                 "showing another photo of the same size. full: decoding the picture at its own size"),
                  {QStringLiteral("time"), QStringLiteral("floor"), QStringLiteral("ratio"), QStringLiteral("target"),
                   QString(), QStringLiteral("full"), QStringLiteral("of full")});
    for (const Benchmarks::SizedPage &sized : Benchmarks::sizedPages) {
        const double full = result("decode in full", sized.id);
        const QString size = QStringLiteral("%1, page %2").arg(sizeLabel(sized)).arg(sized.id);
        table.row(QStringList(size + QStringLiteral(" press")) + rows(sized.id).press(sized.id)
                  + QStringList{ms(full), ratio(result("press", sized.id), full)});
        table.row(QStringList(size + QStringLiteral(" hover")) + rows(sized.id).hover()
                  + QStringList{ms(full), ratio(result("hover", sized.id), full)});
    }
    table.heading(
        QStringLiteral("The guide's reading of a picture (readPicture(), bound and all) against a plain "
                       "QImageReader decode of the same file at the same size, in pairs, each pair in turns which "
                       "goes first.\nguide, plain: medians of every reading; ratio: the median of the pairs' ratios"),
        {QStringLiteral("guide"), QStringLiteral("plain"), QStringLiteral("ratio"), QStringLiteral("target"), QString(),
         QStringLiteral("pairs")});
    for (const Benchmarks::SizedPage &sized : Benchmarks::sizedPages) {
        const Benchmarks::ReadingTimes times
            = inputs.guide ? inputs.guide->readings.value(sized.id) : Benchmarks::ReadingTimes();
        // A burst of load elsewhere falls on both readings of a pair alike.
        QVector<double> pairRatios;
        for (int i = 0; i < qMin(times.guideMs.size(), times.plainMs.size()); ++i) {
            if (times.plainMs[i] > 0)
                pairRatios << times.guideMs[i] / times.plainMs[i];
        }
        const double pairRatio = Measures::median(pairRatios);
        table.row({sizeLabel(sized), ms(Measures::median(times.guideMs)), ms(Measures::median(times.plainMs)),
                   pairRatio < 0 ? QStringLiteral("-") : QString::number(pairRatio, 'f', 3),
                   QStringLiteral("<= %1").arg(Targets::ReadingOfPlain),
                   pairRatio < 0 ? QStringLiteral("-") : verdict(pairRatio <= Targets::ReadingOfPlain),
                   QString::number(pairRatios.size())});
    }
}

void Printer::scaleTwo()
{
    const ScaleTwo run = readScaleTwo(inputs.scaleTwoFile);
    table.heading(QStringLiteral("At scale 2 (QT_SCALE_FACTOR=2), in a run of its own just before this one: press and "
                                 "hover as above, the floors at 2000 x 1200"),
                  {QStringLiteral("time"), QStringLiteral("floor"), QStringLiteral("ratio"), QStringLiteral("target")});
    if (run.medians.empty()) {
        table.line(QStringLiteral("not measured: ./guide bench runs it first"));
        return;
    }
    for (const PageId id : Benchmarks::scaleTwoPages) {
        const PageRows pageRows([&run, id](const char *kind) {
            const auto found = run.medians.find(Benchmarks::name(kind, id).toStdString());
            return found == run.medians.end() ? -1.0 : found->second;
        });
        table.row(QStringList(pageLabel(id) + QStringLiteral(" press")) + pageRows.press(id));
        table.row(QStringList(pageLabel(id) + QStringLiteral(" hover")) + pageRows.hover());
    }
    table.line(QStringLiteral("(device pixel ratio %1 in that run; page 132's picture is 2000 x 1200)")
                   .arg(run.devicePixelRatio));
}

void Printer::startUp()
{
    const StartUp guide = readStartUp(inputs.startUpFile, QStringLiteral("quorvel-guide"));
    const StartUp minimal = readStartUp(inputs.startUpFile, QStringLiteral("quorvel-minimal-window"));
    table.heading(
        QStringLiteral("Start-up under Xvfb, medians of %1 starts each. Yardstick: a minimal Qt window")
            .arg(guide.runs),
        {QStringLiteral("guide"), QStringLiteral("minimal"), QStringLiteral("ratio"), QStringLiteral("target")});
    if (guide.runs == 0) {
        table.line(QStringLiteral("not measured: ./guide bench measures it first, under Xvfb"));
        return;
    }
    table.row({QStringLiteral("process start to first frame"), ms(guide.medianMs), ms(minimal.medianMs),
               ratio(guide.medianMs, minimal.medianMs), QStringLiteral("<= %1").arg(Targets::StartUpOfMinimal),
               verdict(guide.medianMs <= Targets::StartUpOfMinimal * minimal.medianMs)});
    table.row({QStringLiteral("memory then (PSS)"), mb(guide.medianPssMb), mb(minimal.medianPssMb),
               ratio(guide.medianPssMb, minimal.medianPssMb), QStringLiteral("<= %1 MB").arg(Targets::StartUpPssMb),
               verdict(guide.medianPssMb <= Targets::StartUpPssMb)});
    table.row({QStringLiteral("memory then (RSS)"), mb(guide.medianRssMb), mb(minimal.medianRssMb),
               ratio(guide.medianRssMb, minimal.medianRssMb)});
    table.line(QStringLiteral("(PSS shares each library page among the processes mapping it, so other Qt programs "
                              "running at the time lower it; RSS counts every page in full)"));
}

void Printer::memory()
{
    const Benchmarks::MemoryRun &run = inputs.memory;
    const QStringList columns = {QStringLiteral("at start"), QStringLiteral("halfway"), QStringLiteral("at end"),
                                 QStringLiteral("growth"), QStringLiteral("target")};
    if (run.switches == 0) {
        table.heading(QStringLiteral("Memory over page switches through the event loop"), columns);
        table.line(QStringLiteral("not measured: a run filtered by --benchmark_filter leaves it out"));
        return;
    }
    table.heading(QStringLiteral("Memory over %1 page switches through the event loop, every id in turn; %2 painted")
                      .arg(run.switches)
                      .arg(run.painted),
                  columns);
    const double growthMb = double(run.endKb - run.halfwayKb) / 1024.0;
    table.row({QStringLiteral("resident memory (RSS)"), mb(double(run.startKb) / 1024.0),
               mb(double(run.halfwayKb) / 1024.0), mb(double(run.endKb) / 1024.0),
               QString::number(growthMb, 'f', 2) + QStringLiteral(" MB"),
               QStringLiteral("< %1 MB").arg(Targets::MemoryGrowthMb),
               verdict(run.painted == run.switches && growthMb < Targets::MemoryGrowthMb)});
}

} // namespace

void print(const Inputs &inputs)
{
    Printer printer(inputs);
    printer.header();
    printer.presses();
    printer.hovers();
    printer.largePictures();
    printer.scaleTwo();
    printer.startUp();
    printer.memory();
}

bool writeScaleTwo(const MedianReporter &results, double devicePixelRatio, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "device pixel ratio\t" << devicePixelRatio << '\n';
    for (const auto &median : results.all())
        out << QString::fromStdString(median.first) << '\t' << QString::number(median.second, 'g', 6) << '\n';
    return out.status() == QTextStream::Ok;
}

} // namespace Report
