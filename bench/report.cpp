#include "report.h"

#include "medianreporter.h"
#include "table.h"
#include "targets.h"

#include "tools/measures.h"

#include <QFile>
#include <QSysInfo>
#include <QThread>

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

class Printer
{
public:
    explicit Printer(const Inputs &inputs)
        : inputs(inputs)
    {
    }

    void header();
    void switches();
    void repaints();
    void largePictures();
    void startUp();
    void memory();

private:
    double result(const char *kind, PageId id) const { return inputs.results->medianMs(name(kind, id)); }
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
    table.line(QStringLiteral("Quorvel guide benchmark: Release build, Qt %1, offscreen platform")
                   .arg(QLatin1String(qVersion())));
    table.line(QStringLiteral("Machine: %1, %2 cores; %3, Linux %4")
                   .arg(cpuName())
                   .arg(QThread::idealThreadCount())
                   .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion()));
    table.line(QStringLiteral("Times are medians of %1 repetitions, all benchmarks' repetitions run in a random order; "
                              "each floor is measured in this run.")
                   .arg(Benchmarks::Repetitions));
}

void Printer::switches()
{
    table.heading(QStringLiteral("Page switch to painted page, 1000 x 600 pictures. Floor: its picture and the three "
                                 "icons, decoded with a plain QImageReader"),
                  {QStringLiteral("switch"), QStringLiteral("floor"), QStringLiteral("ratio"), QStringLiteral("target"),
                   QString(), QStringLiteral("no picture")});
    for (const PageId id : Benchmarks::classPages) {
        const double time = result("switch", id);
        const double floor = result("switch floor", id);
        table.row({pageLabel(id), ms(time), ms(floor), ratio(time, floor),
                   QStringLiteral("<= %1").arg(Targets::SwitchOfFloor),
                   verdict(time > 0 && time <= Targets::SwitchOfFloor * floor),
                   ms(result("switch without picture", id))});
    }
    table.line(
        QStringLiteral("(no picture: the same switch with the picture file moved away, the page built and painted "
                       "without its decode)"));
}

void Printer::repaints()
{
    table.heading(
        QStringLiteral("Repaint of a shown page, what a hover costs. Floor: one decode of its picture at page size"),
        {QStringLiteral("repaint"), QStringLiteral("floor"), QStringLiteral("ratio")});
    for (const PageId id : Benchmarks::classPages) {
        const double time = result("repaint", id);
        const double floor = result("repaint floor", id);
        table.row({pageLabel(id), ms(time), ms(floor), ratio(time, floor)});
    }
}

void Printer::largePictures()
{
    table.heading(QStringLiteral("Larger pictures. Floor: decoding the file straight to 1000 x 600; "
                                 "full: decoding it at its own size"),
                  {QStringLiteral("time"), QStringLiteral("floor"), QStringLiteral("ratio"), QStringLiteral("full"),
                   QStringLiteral("of full"), QStringLiteral("targets")});
    for (const Benchmarks::SizedPage &sized : Benchmarks::sizedPages) {
        const double floor = result("decode to page size", sized.id);
        const double full = result("decode in full", sized.id);
        for (const char *kind : {"switch", "repaint"}) {
            const double time = result(kind, sized.id);
            QStringList cells = {QStringLiteral("%1 x %2, page %3 %4")
                                     .arg(sized.size.width())
                                     .arg(sized.size.height())
                                     .arg(sized.id)
                                     .arg(QLatin1String(kind)),
                                 ms(time),
                                 ms(floor),
                                 ratio(time, floor),
                                 ms(full),
                                 ratio(time, full)};
            if (sized.size.width() >= 4000) {
                QStringList missed;
                if (!(time > 0 && time <= Targets::LargePictureOfFloor * floor))
                    missed << QStringLiteral("ratio");
                if (!(time > 0 && time <= Targets::LargePictureOfFullDecode * full))
                    missed << QStringLiteral("of full");
                cells
                    << QStringLiteral("%1, %2").arg(Targets::LargePictureOfFloor).arg(Targets::LargePictureOfFullDecode)
                    << (missed.isEmpty() ? verdict(true) : verdict(false) + QStringLiteral(": ") + missed.join(", "));
            }
            table.row(cells);
        }
    }
    table.line(QStringLiteral("(targets at 4000 x 3000: ratio at most %1, and at most %2 of the full decode)")
                   .arg(Targets::LargePictureOfFloor)
                   .arg(Targets::LargePictureOfFullDecode));
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
               ratio(guide.medianMs, minimal.medianMs), QStringLiteral("<= %1 ms").arg(Targets::StartUpMs),
               verdict(guide.medianMs <= Targets::StartUpMs)});
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
    table.heading(QStringLiteral("Memory over %1 page switches through the event loop, every id in turn; %2 painted")
                      .arg(run.switches)
                      .arg(run.painted),
                  {QStringLiteral("at start"), QStringLiteral("halfway"), QStringLiteral("at end"),
                   QStringLiteral("growth"), QStringLiteral("target")});
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
    printer.switches();
    printer.repaints();
    printer.largePictures();
    printer.startUp();
    printer.memory();
}

} // namespace Report
