#include "picturecheck.h"

#include "guidepictures.h"
#include "picturefit.h"
#include "shell/jpegscans.h"
#include "shell/picturefile.h"
#include "shell/picturespeed.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace PictureCheck {

namespace {

// A picture is slow when it takes several times what the same picture at the
// page's size would; below the floor the difference is not felt.
constexpr qint64 SlowFactor = 3;
constexpr qint64 SlowFloorNs = 10000000;
// Windows counts a thread's time in ticks of 10 to 16 ms: a reading is
// repeated until the clock has moved enough to tell.
constexpr qint64 MeasuredNs = 100000000;
constexpr int MinReadings = 3;
constexpr int MaxReadings = 32;

QSize pageTarget(double scale)
{
    return QSize(qRound(PageSize.width() * scale), qRound(PageSize.height() * scale));
}

// The processor time one reading of bytes at size takes: the least of a few,
// which neither a busy moment nor a first reading's costs (code paged in, or
// translated by an emulator) can inflate.
qint64 readingNs(const QByteArray &bytes, QSize size, const PictureBudget &budget)
{
    qint64 least = -1;
    qint64 total = 0;
    int readings = 0;
    do {
        const qint64 ns = decodePictureWithReport(bytes, size, budget).cpuNs;
        least = least < 0 ? ns : qMin(least, ns);
        total += ns;
        ++readings;
    } while ((readings < MinReadings || total < MeasuredNs) && readings < MaxReadings);
    // A timer of coarse ticks reads 0 for most readings: then the average.
    return least > 0 ? least : total / readings;
}

// The same picture at the page's size, written as a designer's editor would,
// read as the guide reads it.
qint64 pageSizeReadNs(const QImage &image, const QByteArray &format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    writer.write(image);
    return readingNs(bytes, image.size(), PageBudget);
}

// libjpeg warns of data it could not decode and shows grey in its place;
// libpng's warnings (a colour profile it doubts, a repeated chunk) leave the
// picture whole. libjpeg tells only its first warning, so when that one is of
// bytes after the last scan, or of a header it reads past, nothing before it
// went wrong: the pixels are whole.
bool leavesPixelsWhole(const QString &firstWarning)
{
    return firstWarning.contains(QLatin1String("extraneous bytes before marker 0xd9"))
        || firstWarning.contains(QLatin1String("unknown JFIF revision"));
}

QString stopText(const PictureReading &reading)
{
    switch (reading.stop) {
    case PictureInput::Work:
        return QStringLiteral("its scans make the decoder do more than %1 times the work of an honest picture of "
                              "its size")
            .arg(JpegScans::WorkMultiple);
    case PictureInput::Memory:
        return QStringLiteral("reading it takes more memory than its size explains");
    case PictureInput::Warnings:
        return QStringLiteral("the decoder warns without end (%1)").arg(reading.firstWarning.trimmed());
    case PictureInput::Time:
        return QStringLiteral("reading it takes more than %1 times what an honest picture of its size takes on "
                              "this machine")
            .arg(PictureSpeed::BackstopMultiple);
    case PictureInput::NotStopped:
        break;
    }
    return QString();
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

// By how much stretching to the page changes a picture's shape, in percent:
// positive when it is widened.
int aspectChange(QSize size)
{
    const double picture = double(size.width()) / size.height();
    const double page = double(PageSize.width()) / PageSize.height();
    return qRound((page / picture - 1.0) * 100.0);
}

Finding judgeSize(Finding finding, bool icon)
{
    const QSize size = finding.size;
    if (icon) {
        if (size.width() > NavigationIconBox || size.height() > NavigationIconBox) {
            finding.status = Status::Fitted;
            finding.message = QStringLiteral("%1, larger than %2 x %2: it will be fitted into that box")
                                  .arg(sizeText(size))
                                  .arg(NavigationIconBox);
        }
        return finding;
    }
    if (size == PageSize)
        return finding;
    const int change = aspectChange(size);
    if (change == 0) {
        finding.status = Status::Scaled;
        finding.message
            = QStringLiteral("%1: it will be scaled to %2, its shape kept").arg(sizeText(size), sizeText(PageSize));
    } else {
        finding.status = Status::Stretched;
        finding.message = QStringLiteral("%1: it will be stretched to %2, %3 by %4%")
                              .arg(sizeText(size), sizeText(PageSize),
                                   change > 0 ? QStringLiteral("widened") : QStringLiteral("narrowed"))
                              .arg(qAbs(change));
    }
    return finding;
}

} // namespace

Finding checkOne(const QString &folder, const QString &name, double scale)
{
    Finding finding;
    finding.name = name;
    const QString path = QDir::cleanPath(folder) + name;
    const QFileInfo info(path);
    const bool icon = GuidePictures::isIcon(name);

    if (!info.exists()) {
        finding.status = Status::Missing;
        finding.message = icon ? QStringLiteral("missing: the button shows without an icon")
                               : QStringLiteral("missing: the page shows blank");
        return finding;
    }
    if (info.isDir()) {
        finding.status = Status::Directory;
        finding.message = QStringLiteral("a folder, not a picture");
        return finding;
    }
    // Opening a FIFO would wait for a writer; the guide reads none of these.
    if (!info.isFile()) {
        finding.status = Status::Unreadable;
        finding.message = QStringLiteral("not a plain file (a FIFO, a socket or a device): shown blank");
        return finding;
    }
    // The bytes the guide would read, read as the guide reads them: a FIFO
    // put in the picture's place since the look above is refused, not waited on.
    const PictureBudget &budget = icon ? IconBudget : PageBudget;
    QByteArray bytes;
    if (!readPictureBytes(path, &bytes, budget)) {
        finding.status = Status::Unreadable;
        finding.message = QFileInfo(path).isFile()
            ? QStringLiteral("cannot be read (see its permissions): shown blank")
            : QStringLiteral("not a plain file (a FIFO, a socket or a device): shown blank");
        return finding;
    }
    if (bytes.isEmpty()) {
        finding.status = Status::Empty;
        finding.message = QStringLiteral("an empty file");
        return finding;
    }

    // Decoded as the guide decodes it, at the size it covers on the panel.
    const QSize target = icon ? QSize() : pageTarget(scale);
    const PictureReading reading = decodePictureWithReport(bytes, target, budget);
    finding.format = QString::fromLatin1(reading.cost.format);
    finding.size = reading.cost.size;
    finding.readMs = qRound(double(reading.cpuNs) / 1e6);
    switch (reading.verdict) {
    case PictureReading::Unreadable:
        finding.status = Status::Unreadable;
        finding.message = QStringLiteral("cannot be read: shown blank");
        return finding;
    case PictureReading::NotJpegOrPng:
        finding.status = Status::NotAPicture;
        finding.message = QStringLiteral("not a picture the guide can read (it reads JPEG and PNG)");
        return finding;
    case PictureReading::OverBudget:
        finding.status = Status::OverBudget;
        finding.message = QStringLiteral("%1: shown blank").arg(reading.cost.tooMuch);
        return finding;
    case PictureReading::Stopped:
        finding.status = Status::TooCostly;
        finding.message = QStringLiteral("%1: %2: shown blank").arg(sizeText(finding.size), stopText(reading));
        return finding;
    case PictureReading::Damaged:
        finding.status = Status::Damaged;
        finding.message
            = QStringLiteral("damaged, cannot be decoded%1: shown blank")
                  .arg(reading.firstWarning.isEmpty() ? QString()
                                                      : QStringLiteral(" (%1)").arg(reading.firstWarning.trimmed()));
        return finding;
    case PictureReading::Shown:
        break;
    }
    if (reading.cost.format == "jpeg" && reading.warnings > 0 && !leavesPixelsWhole(reading.firstWarning)) {
        finding.status = Status::Damaged;
        finding.message = QStringLiteral("damaged, shown only in part: %1").arg(reading.firstWarning.trimmed());
        return finding;
    }
    QString slowText;
    if (!icon && reading.cpuNs > SlowFloorNs) {
        const qint64 readNs = readingNs(bytes, target, budget);
        const qint64 pageNs = pageSizeReadNs(reading.image, reading.cost.format);
        finding.readMs = qRound(double(readNs) / 1e6);
        if (readNs > SlowFactor * pageNs && readNs > SlowFloorNs) {
            finding.slow = true;
            slowText = QStringLiteral("it takes %1 ms to show on this machine, %2 times a picture of the page's "
                                      "size; `guide-pictures fit` scales it down to the page")
                           .arg(finding.readMs)
                           .arg(qRound(double(readNs) / double(qMax<qint64>(pageNs, 1))));
        }
    }

    finding = judgeSize(finding, icon);
    const QString suffix = info.suffix().toLower();
    const QString expected = suffix == QLatin1String("jpg") ? QStringLiteral("jpeg") : suffix;
    if (finding.status == Status::Ok && finding.format != expected) {
        finding.status = Status::OtherFormat;
        finding.message = QStringLiteral("%1 data behind a .%2 name: the guide still shows it")
                              .arg(finding.format.toUpper(), suffix);
    }
    if (finding.slow)
        finding.message
            = (finding.message.isEmpty() ? sizeText(finding.size) : finding.message) + QStringLiteral("; ") + slowText;
    return finding;
}

QVector<Finding> check(const QString &folder, double scale)
{
    QVector<Finding> findings;
    for (const QString &name : GuidePictures::all())
        findings.append(checkOne(folder, name, scale));
    return findings;
}

double scaleFromDefaults(const QString &path, double scale)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return scale;
    // Shell assignments; the last one counts, as when the unit reads the file.
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QByteArray assignment = line.trimmed();
        if (!assignment.startsWith("QT_SCALE_FACTOR="))
            continue;
        double value = 1.0;
        const QString text = QString::fromUtf8(assignment.mid(16).replace('"', "").replace('\'', ""));
        if (PictureFit::scaleFrom(text, &value))
            scale = value;
    }
    return scale;
}

bool isFault(Status status)
{
    switch (status) {
    case Status::Missing:
    case Status::Empty:
    case Status::Directory:
    case Status::Unreadable:
    case Status::NotAPicture:
    case Status::Damaged:
    case Status::OverBudget:
    case Status::TooCostly:
        return true;
    default:
        return false;
    }
}

QString statusName(Status status)
{
    switch (status) {
    case Status::Ok:
        return QStringLiteral("ok");
    case Status::Missing:
        return QStringLiteral("missing");
    case Status::Empty:
        return QStringLiteral("empty");
    case Status::Directory:
        return QStringLiteral("directory");
    case Status::Unreadable:
        return QStringLiteral("unreadable");
    case Status::NotAPicture:
        return QStringLiteral("not-a-picture");
    case Status::Damaged:
        return QStringLiteral("damaged");
    case Status::OverBudget:
        return QStringLiteral("over-budget");
    case Status::TooCostly:
        return QStringLiteral("too-costly");
    case Status::Stretched:
        return QStringLiteral("stretched");
    case Status::Scaled:
        return QStringLiteral("scaled");
    case Status::OtherFormat:
        return QStringLiteral("other-format");
    case Status::Fitted:
        return QStringLiteral("fitted");
    }
    return QString();
}

QString toText(const QVector<Finding> &findings, const QString &folder)
{
    QString text = QStringLiteral("Pictures in %1\n\n").arg(QDir::toNativeSeparators(folder));
    int faults = 0;
    int notes = 0;
    for (const Finding &finding : findings) {
        const bool fault = isFault(finding.status);
        faults += fault;
        const bool note = !fault && (finding.status != Status::Ok || finding.slow);
        notes += note;
        const QString mark = fault ? QStringLiteral("FAULT") : note ? QStringLiteral("note") : QStringLiteral("ok");
        text += QStringLiteral("  %1  %2  %3 ms  %4\n")
                    .arg(mark, -5)
                    .arg(finding.name.mid(1), -22)
                    .arg(finding.readMs, 4)
                    .arg(finding.message.isEmpty() ? sizeText(finding.size) : finding.message);
    }
    text += QStringLiteral("\n%1 pictures: %2 ok, %3 to note, %4 faults.\n")
                .arg(findings.size())
                .arg(findings.size() - faults - notes)
                .arg(notes)
                .arg(faults);
    return text;
}

QString toJson(const QVector<Finding> &findings, const QString &folder)
{
    QJsonArray pictures;
    bool allReadable = true;
    for (const Finding &finding : findings) {
        QJsonObject picture{
            {QStringLiteral("name"), finding.name.mid(1)},      {QStringLiteral("status"), statusName(finding.status)},
            {QStringLiteral("fault"), isFault(finding.status)}, {QStringLiteral("slow"), finding.slow},
            {QStringLiteral("message"), finding.message},       {QStringLiteral("readMs"), finding.readMs}};
        if (finding.size.isValid()) {
            picture.insert(QStringLiteral("width"), finding.size.width());
            picture.insert(QStringLiteral("height"), finding.size.height());
        }
        if (!finding.format.isEmpty())
            picture.insert(QStringLiteral("format"), finding.format);
        pictures.append(picture);
        allReadable = allReadable && !isFault(finding.status);
    }
    const QJsonObject root{{QStringLiteral("folder"), folder},
                           {QStringLiteral("ok"), allReadable},
                           {QStringLiteral("pictures"), pictures}};
    return QString::fromUtf8(QJsonDocument(root).toJson());
}

} // namespace PictureCheck
