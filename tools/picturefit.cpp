#include "picturefit.h"

#include "guidepictures.h"
#include "shell/picturefile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>

namespace PictureFit {

namespace {

// Beyond this QT_SCALE_FACTOR a 1000 x 600 page would pass any panel made.
constexpr double MaxScale = 8.0;

// Qt's own choice where a JPEG tells nothing.
constexpr int DefaultJpegQuality = 75;

// The IJG luminance table (the JPEG standard's example, Annex K), in the
// zig-zag order a DQT segment stores it.
constexpr int StandardLuminance[64] = {
    16, 11,  12, 14, 12, 10, 16,  14,  13,  14, 18, 17,  16,  19,  24,  40,  26, 24,  22,  22, 24, 49,
    35, 37,  29, 40, 58, 51, 61,  60,  57,  51, 56, 55,  64,  72,  92,  78,  64, 68,  87,  69, 55, 56,
    80, 109, 81, 87, 95, 98, 103, 104, 103, 62, 77, 113, 121, 112, 100, 120, 92, 101, 103, 99,
};

// Table 0 of the first DQT segment that has it; false when none does.
bool luminanceTable(const QByteArray &jpeg, int table[64])
{
    const auto byte = [&jpeg](int at) { return int(uchar(jpeg.at(at))); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return false;
    int at = 2;
    while (at + 4 <= jpeg.size()) {
        if (byte(at) != 0xFF)
            return false;
        const int marker = byte(at + 1);
        // Fill bytes and markers without a length.
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return false; // the tables come before the first scan
        const int length = byte(at + 2) << 8 | byte(at + 3);
        const int end = at + 2 + length;
        if (length < 2 || end > jpeg.size())
            return false;
        if (marker == 0xDB) {
            int t = at + 4;
            while (t < end) {
                const bool sixteenBits = byte(t) >> 4;
                const int id = byte(t) & 0x0F;
                const int entries = 64 * (sixteenBits ? 2 : 1);
                if (t + 1 + entries > end)
                    return false;
                if (id == 0) {
                    for (int i = 0; i < 64; ++i)
                        table[i] = sixteenBits ? byte(t + 1 + 2 * i) << 8 | byte(t + 2 + 2 * i) : byte(t + 1 + i);
                    return true;
                }
                t += 1 + entries;
            }
        }
        at = end;
    }
    return false;
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

bool copyFile(const QString &from, const QString &to)
{
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return true; // fitting in place: a picture small enough is left alone
    QFile source(from);
    QSaveFile copy(to);
    if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly))
        return false;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() || copy.write(chunk) != chunk.size())
            return false;
    }
    return copy.commit();
}

enum class Outcome { Copied, Fitted, Failed };

// One picture of the guide: fitted when larger than the guide shows it, else
// copied byte for byte. A picture that cannot be decoded is copied as it is.
Outcome fitOne(const QString &from, const QString &to, const QString &name, double scale, QString *line)
{
    QFile file(from);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::Failed;
    const QByteArray bytes = file.readAll();
    // Windows renames nothing over a file still open: in place, the fitted
    // copy takes this one's name.
    file.close();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    const QSize fitted = target(name, size, scale);
    if ((format != "jpeg" && format != "png") || !size.isValid() || fitted == size)
        return copyFile(from, to) ? Outcome::Copied : Outcome::Failed;

    const QImage image = reader.read();
    if (image.isNull()) {
        *line = QStringLiteral("%1: cannot be decoded (%2), copied as it is").arg(name, reader.errorString());
        return copyFile(from, to) ? Outcome::Copied : Outcome::Failed;
    }
    const QImage scaled = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return Outcome::Failed;
    QImageWriter writer(&out, format);
    QString quality;
    if (format == "jpeg") {
        const int estimated = jpegQuality(bytes);
        writer.setQuality(estimated > 0 ? estimated : DefaultJpegQuality);
        quality = estimated > 0 ? QStringLiteral(", JPEG quality %1 as the file's tables tell").arg(estimated)
                                : QStringLiteral(", JPEG quality %1 (the file tells none)").arg(DefaultJpegQuality);
    }
    if (!writer.write(scaled) || !out.commit())
        return Outcome::Failed;
    *line = QStringLiteral("%1: %2 -> %3%4").arg(name, sizeText(size), sizeText(fitted), quality);
    return Outcome::Fitted;
}

int fail(const QString &message, int status)
{
    QTextStream(stderr) << "guide-pictures: " << message << "\n";
    return status;
}

} // namespace

QSize target(const QString &name, QSize size, double scale)
{
    if (GuidePictures::isIcon(name)) {
        const int box = qRound(NavigationIconBox * scale);
        if (size.width() <= box && size.height() <= box)
            return size;
        QSize inBox = size.scaled(box, box, Qt::KeepAspectRatio);
        return inBox.expandedTo(QSize(1, 1));
    }
    // The page stretches a picture to its shape anyway, so each side is
    // brought down to the page's on its own, and never enlarged.
    const QSize page(qRound(PageSize.width() * scale), qRound(PageSize.height() * scale));
    return size.boundedTo(page);
}

int jpegQuality(const QByteArray &jpeg)
{
    int table[64];
    if (!luminanceTable(jpeg, table))
        return -1;
    // The IJG scaling of quality q, the one libjpeg, Qt, GIMP and most cameras'
    // software use; the closest match wins.
    int best = -1;
    qint64 bestError = -1;
    for (int q = 1; q <= 100; ++q) {
        const int percent = q < 50 ? 5000 / q : 200 - 2 * q;
        qint64 error = 0;
        for (int i = 0; i < 64; ++i) {
            const int expected = qBound(1, (StandardLuminance[i] * percent + 50) / 100, 255);
            error += qAbs(table[i] - expected);
        }
        if (bestError < 0 || error < bestError) {
            best = q;
            bestError = error;
        }
    }
    return best;
}

bool scaleFrom(const QString &text, double *scale)
{
    bool number = false;
    *scale = text.toDouble(&number);
    return number && std::isfinite(*scale) && *scale >= 0.1 && *scale <= MaxScale;
}

bool fit(const QString &folder, const QString &output, double scale, QStringList *report, QString *error)
{
    if (!QDir().mkpath(output)) {
        *error = QStringLiteral("cannot make the folder %1").arg(output);
        return false;
    }
    const QStringList guidePictures = GuidePictures::all();
    const QDir dir(folder);
    int fitted = 0;
    int copied = 0;
    QStringList failed;
    for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString name = QLatin1Char('/') + info.fileName();
        const QString to = QDir(output).filePath(info.fileName());
        QString line;
        Outcome outcome = Outcome::Failed;
        if (!info.isFile())
            outcome = Outcome::Failed; // a FIFO or device is not opened
        else if (guidePictures.contains(name))
            outcome = fitOne(info.filePath(), to, name, scale, &line);
        else
            outcome = copyFile(info.filePath(), to) ? Outcome::Copied : Outcome::Failed;
        if (!line.isEmpty() && report)
            *report << line;
        if (outcome == Outcome::Fitted)
            ++fitted;
        else if (outcome == Outcome::Copied)
            ++copied;
        else
            failed << info.fileName();
    }
    if (report)
        *report << QStringLiteral("%1 fitted, %2 copied as they were, into %3").arg(fitted).arg(copied).arg(output);
    if (!failed.isEmpty()) {
        *error = QStringLiteral("not written: %1").arg(failed.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

int run(const QStringList &arguments)
{
    QString folder;
    QString output;
    QString scaleText = QStringLiteral("1");
    const QString usage = QStringLiteral("fit takes DIR [--scale F] [--output OUT]");
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        QString *value = arg == QLatin1String("--scale") ? &scaleText
            : arg == QLatin1String("--output")           ? &output
                                                         : nullptr;
        if (value && i + 1 < arguments.size())
            *value = arguments.at(++i);
        else if (!arg.startsWith(QLatin1Char('-')) && folder.isEmpty())
            folder = arg;
        else
            return fail(usage, 2);
    }
    double scale = 1;
    if (folder.isEmpty())
        return fail(usage, 2);
    if (!scaleFrom(scaleText, &scale))
        return fail(QStringLiteral("the scale must be a number from 0.1 to %1").arg(MaxScale), 2);
    if (!QFileInfo(folder).isDir())
        return fail(QStringLiteral("%1 is not a folder").arg(folder), 1);
    // Beside the folder, never into it, unless asked by name.
    if (output.isEmpty())
        output = QDir::cleanPath(folder) + QStringLiteral("-fit");

    QStringList report;
    QString error;
    const bool done = fit(folder, output, scale, &report, &error);
    QTextStream out(stdout);
    for (const QString &line : report)
        out << line << "\n";
    return done ? 0 : fail(error, 1);
}

} // namespace PictureFit
