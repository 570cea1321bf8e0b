#include "picturefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Empty: beside the executable, where the guide always reads.
QString pictureFolder;

// The decoders warn through Qt's log, libpng once for every bad chunk: a
// few lines reach the log, and a storm ends the reading.
constexpr int LoggedWarnings = 3;
PictureInput *warningsTo = nullptr;
QString *firstWarning = nullptr;
QtMessageHandler passWarningsTo = nullptr;

void countWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (warningsTo && type == QtWarningMsg) {
        warningsTo->warned();
        if (warningsTo->warnings() == 1)
            *firstWarning = message;
        if (warningsTo->warnings() > LoggedWarnings)
            return;
    }
    if (passWarningsTo)
        passWarningsTo(type, context, message);
}

} // namespace

void setPictureFolder(const QString &folder)
{
    pictureFolder = folder;
}

QString pictureFile(const char *name)
{
    return pictureFile(QString::fromUtf8(name));
}

QString pictureFile(const QString &name)
{
    return (pictureFolder.isEmpty() ? QCoreApplication::applicationDirPath() : pictureFolder) + name;
}

QString pictureName(const QString &path)
{
    return path.mid(pictureFile("").size());
}

bool readPictureBytes(const QString &path, QByteArray *bytes, const PictureBudget &budget)
{
    QFile file;
#ifdef Q_OS_UNIX
    // Opened without waiting, and checked to be a plain file before a read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    if (fd < 0)
        return false;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
#else
    file.setFileName(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
#endif
    // One byte more than the budget tells a file that is too large. Qt
    // allocates what is asked before it reads. glibc maps a block of the
    // budget's size afresh and gives it back whole, so readings leave the heap
    // as they found it (a buffer of the file's own size saws resident memory
    // by megabytes); Windows touches all of it, so there it is the file's size.
#ifdef Q_OS_WIN
    *bytes = file.read(qMin(file.size(), budget.fileBytes) + 1);
#else
    *bytes = file.read(budget.fileBytes + 1);
#endif
    return true;
}

PictureReading decodePictureFully(const QByteArray &bytes, QSize size, const PictureBudget &budget)
{
    PictureReading reading;
    const qint64 cpuStart = PictureInput::threadCpuNs();
    reading.cost = pictureCost(bytes, size, budget);
    if (bytes.size() > budget.fileBytes) {
        reading.cost.tooMuch = QStringLiteral("a file of %1 MB, more than the %2 MB the guide reads")
                                   .arg((bytes.size() >> 20) + 1)
                                   .arg(budget.fileBytes >> 20);
        reading.outcome = PictureReading::OverBudget;
        return reading;
    }
    if (reading.cost.limit == PictureCost::NotJpegOrPng) {
        reading.outcome = PictureReading::NotJpegOrPng;
        return reading;
    }
    if (!reading.cost.withinBudget()) {
        reading.outcome = PictureReading::OverBudget;
        return reading;
    }
    // Small reads let the deadline catch a JPEG of many scans, whose every few
    // bytes cost a pass over the whole frame. A single scan decodes each block
    // once, whatever the reads (libjpeg refuses a second scan after it), so it
    // gets the reads the decoder asks for: libjpeg's fast Huffman path wants a
    // few kilobytes at hand. Qt's PNG reader wants each read whole, and libpng
    // reads at most a chunk or 8 KB of image data at a time.
    const qint64 readBytes = reading.cost.multiScan ? 512 : bytes.size();
    PictureInput input(bytes.constData(), bytes.size(), qint64(budget.cpuMs) * 1000000,
                       reading.cost.memoryBytes + bytes.size() + budget.slackBytes, readBytes);
    if (reading.cost.format == "png")
        input.followPngChunks();
    input.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QImageReader reader(&input, reading.cost.format);
    reader.setAutoDetectImageFormat(false);
    if (size.isValid())
        reader.setScaledSize(size);
    warningsTo = &input;
    // Both are cleared again below, before reading goes out of scope.
    // cppcheck-suppress danglingLifetime
    firstWarning = &reading.firstWarning;
    const QtMessageHandler previous = qInstallMessageHandler(countWarning);
    passWarningsTo = previous;
    reading.image = reader.read();
    qInstallMessageHandler(previous);
    warningsTo = nullptr;
    firstWarning = nullptr;
    reading.warnings = input.warnings();
    reading.stop = input.stopped();
    reading.cpuNs = PictureInput::threadCpuNs() - cpuStart;
    // What was decoded before the stop would show as a picture cut short.
    if (reading.stop != PictureInput::NotStopped) {
        reading.image = QImage();
        reading.outcome = PictureReading::Stopped;
    } else {
        reading.outcome = reading.image.isNull() ? PictureReading::Failed : PictureReading::Read;
    }
    return reading;
}

QImage decodePicture(const QByteArray &bytes, QSize size, const PictureBudget &budget)
{
    return decodePictureFully(bytes, size, budget).image;
}

PictureReading readPictureFully(const QString &path, QSize size, const PictureBudget &budget)
{
    QByteArray bytes;
    if (!readPictureBytes(path, &bytes, budget))
        return PictureReading();
    return decodePictureFully(bytes, size, budget);
}

QImage readPicture(const QString &path, QSize size, const PictureBudget &budget)
{
    return readPictureFully(path, size, budget).image;
}
