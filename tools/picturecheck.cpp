#include "picturecheck.h"

#include "guidepictures.h"
#include "shell/picturecost.h"
#include "shell/picturefile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace PictureCheck {

namespace {

// Warnings the image decoders write while reading a damaged file.
QStringList decoderWarnings;

void collectWarning(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        decoderWarnings << message;
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

Finding checkOne(const QString &folder, const QString &name)
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

    const PictureCost cost = pictureCost(bytes, icon ? QSize() : PageSize, budget);
    finding.format = QString::fromLatin1(cost.format);
    finding.size = cost.size;
    if (cost.limit == PictureCost::NotJpegOrPng) {
        finding.status = Status::NotAPicture;
        finding.message = QStringLiteral("not a picture the guide can read (it reads JPEG and PNG)");
        return finding;
    }
    if (!cost.withinBudget()) {
        finding.status = cost.limit == PictureCost::Pixels ? Status::OverBudget : Status::TooCostly;
        finding.message = QStringLiteral("%1: shown blank").arg(cost.tooMuch);
        return finding;
    }

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, cost.format);
    reader.setAutoDetectImageFormat(false);
    if (!icon)
        reader.setScaledSize(PageSize);
    decoderWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarning);
    const QImage image = reader.read();
    qInstallMessageHandler(previous);
    if (image.isNull()) {
        finding.status = Status::NotAPicture;
        finding.message = QStringLiteral("cannot be decoded: %1").arg(reader.errorString());
        return finding;
    }
    if (!decoderWarnings.isEmpty()) {
        finding.status = Status::Damaged;
        finding.message = QStringLiteral("damaged, shown only in part: %1").arg(decoderWarnings.first().trimmed());
        return finding;
    }

    finding = judgeSize(finding, icon);
    const QString suffix = info.suffix().toLower();
    const QString expected = suffix == QLatin1String("jpg") ? QStringLiteral("jpeg") : suffix;
    if (finding.status == Status::Ok && finding.format != expected) {
        finding.status = Status::OtherFormat;
        finding.message = QStringLiteral("%1 data behind a .%2 name: the guide still shows it")
                              .arg(finding.format.toUpper(), suffix);
    }
    return finding;
}

QVector<Finding> check(const QString &folder)
{
    QVector<Finding> findings;
    for (const QString &name : GuidePictures::all())
        findings.append(checkOne(folder, name));
    return findings;
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
        notes += !fault && finding.status != Status::Ok;
        const QString mark = fault         ? QStringLiteral("FAULT")
            : finding.status == Status::Ok ? QStringLiteral("ok")
                                           : QStringLiteral("note");
        text += QStringLiteral("  %1  %2  %3\n")
                    .arg(mark, -5)
                    .arg(finding.name.mid(1), -22)
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
        QJsonObject picture{{QStringLiteral("name"), finding.name.mid(1)},
                            {QStringLiteral("status"), statusName(finding.status)},
                            {QStringLiteral("fault"), isFault(finding.status)},
                            {QStringLiteral("message"), finding.message}};
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
