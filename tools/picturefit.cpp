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
#include <QTemporaryFile>
#include <QTextStream>

#include <cmath>
#include <filesystem>
#include <functional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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

// The chroma subsampling of a JPEG of three components, as its frame header
// gives it ("4:4:4", "4:2:0", "4:2:2"); empty when it has no such frame.
QString subsampling(const QByteArray &jpeg)
{
    const auto byte = [&jpeg](int at) { return int(uchar(jpeg.at(at))); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return QString();
    int at = 2;
    while (at + 4 <= jpeg.size()) {
        if (byte(at) != 0xFF)
            return QString();
        const int marker = byte(at + 1);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return QString();
        const int length = byte(at + 2) << 8 | byte(at + 3);
        const int end = at + 2 + length;
        if (length < 2 || end > jpeg.size())
            return QString();
        // SOF0..SOF15 but DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 8 + 3 * 3 || byte(at + 9) != 3)
                return QString();
            const int luma = byte(at + 11);
            const int across = luma >> 4;
            const int down = luma & 0x0F;
            for (int c = 1; c < 3; ++c) {
                if (byte(at + 11 + 3 * c) != 0x11)
                    return QString(); // chroma sampled above 1: rare, named by none of these
            }
            if (across == 1 && down == 1)
                return QStringLiteral("4:4:4");
            if (across == 2 && down == 1)
                return QStringLiteral("4:2:2");
            if (across == 2 && down == 2)
                return QStringLiteral("4:2:0");
            return QStringLiteral("%1x%2").arg(across).arg(down);
        }
        at = end;
    }
    return QString();
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

#ifdef Q_OS_WIN
// On Windows QSaveFile writes beside to and replaces it by a rename of its
// own, which takes a name already in use; a link there is a shortcut file,
// which it does not follow.
bool writeReplacing(const QString &to, const std::function<bool(QIODevice *)> &write)
{
    QSaveFile file(to);
    return file.open(QIODevice::WriteOnly) && write(&file) && file.commit();
}
#else
// Writes what write() puts into a new file beside to, which then takes to's
// name by rename: a link at to is replaced, never written through to what it
// leads to (QSaveFile would follow it), and a reader of to sees the old file
// or the new one, never half of one.
bool writeReplacing(const QString &to, const std::function<bool(QIODevice *)> &write)
{
    QTemporaryFile file(to + QStringLiteral(".XXXXXX"));
    if (!file.open() || !write(&file) || !file.flush())
        return false;
    // QTemporaryFile makes the file for its owner alone; a picture is for all.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    file.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(to).constData(), error);
    if (error)
        return false;
    file.setAutoRemove(false);
    return true;
}
#endif

// The same entry of the same folder: fitting in place. A link in the output
// folder that leads to the source picture is not the source's entry.
bool sameEntry(const QString &from, const QString &to)
{
    const QFileInfo source(from);
    const QFileInfo copy(to);
    return source.fileName() == copy.fileName()
        && QFileInfo(source.absolutePath()).canonicalFilePath() == QFileInfo(copy.absolutePath()).canonicalFilePath();
}

bool copyFile(const QString &from, const QString &to)
{
    if (sameEntry(from, to))
        return true; // fitting in place: a picture small enough is left alone
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    return writeReplacing(to, [&source](QIODevice *copy) {
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(1 << 20);
            if (chunk.isEmpty() || copy->write(chunk) != chunk.size())
                return false;
        }
        return true;
    });
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
    QString quality;
    int jpegQualityKept = -1;
    if (format == "jpeg") {
        const int estimated = jpegQuality(bytes);
        jpegQualityKept = estimated > 0 ? estimated : DefaultJpegQuality;
        quality = estimated > 0 ? QStringLiteral(", JPEG quality %1 as the file's tables tell").arg(estimated)
                                : QStringLiteral(", JPEG quality %1 (the file tells none)").arg(DefaultJpegQuality);
        // Qt's JPEG writer halves the colour's detail both ways, whatever
        // the file had: said, rather than claimed kept.
        const QString sampling = subsampling(bytes);
        if (!sampling.isEmpty() && sampling != QLatin1String("4:2:0"))
            quality
                += QStringLiteral(", colour written 4:2:0 where the file has %1 (Qt writes no other)").arg(sampling);
    }
    const bool written = writeReplacing(to, [&](QIODevice *out) {
        QImageWriter writer(out, format);
        if (jpegQualityKept > 0)
            writer.setQuality(jpegQualityKept);
        return writer.write(scaled);
    });
    if (!written)
        return Outcome::Failed;
    *line = QStringLiteral("%1: %2 -> %3%4").arg(name, sizeText(size), sizeText(fitted), quality);
    return Outcome::Fitted;
}

// What an entry that is not a plain file is, for the line that says it was
// skipped.
QString kindOf(const QFileInfo &info)
{
    if (info.isSymLink() && !info.exists())
        return QStringLiteral("a link to %1, which does not exist").arg(info.symLinkTarget());
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(info.filePath()).constData(), &status) == 0) {
        if (S_ISFIFO(status.st_mode))
            return QStringLiteral("a FIFO");
        if (S_ISSOCK(status.st_mode))
            return QStringLiteral("a socket");
        if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
            return QStringLiteral("a device");
    }
#endif
    return QStringLiteral("not a plain file");
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
    QStringList skipped;
    // System: FIFOs, sockets, devices and broken links, each said, never
    // passed over in silence.
    const QDir::Filters entries = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    for (const QFileInfo &info : dir.entryInfoList(entries, QDir::Name)) {
        const QString name = QLatin1Char('/') + info.fileName();
        const QString to = QDir(output).filePath(info.fileName());
        if (info.isDir()) {
            // The guide reads no sub-folder: not a fault of the copy.
            if (report)
                *report << QStringLiteral("%1: a folder, not copied (the guide reads none)").arg(info.fileName());
            continue;
        }
        if (!info.isFile()) {
            // A FIFO would hold the tool for a writer that may never come.
            skipped << QStringLiteral("%1 (%2)").arg(info.fileName(), kindOf(info));
            continue;
        }
        QString line;
        Outcome outcome = Outcome::Failed;
        if (guidePictures.contains(name))
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
    if (report) {
        *report << QStringLiteral("%1 fitted, %2 copied as they were, into %3").arg(fitted).arg(copied).arg(output);
    }
    QStringList faults;
    if (!skipped.isEmpty())
        faults << QStringLiteral("skipped, not a plain file: %1").arg(skipped.join(QStringLiteral(", ")));
    if (!failed.isEmpty())
        faults << QStringLiteral("not written: %1").arg(failed.join(QStringLiteral(", ")));
    *error = faults.join(QStringLiteral("; "));
    return faults.isEmpty();
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
