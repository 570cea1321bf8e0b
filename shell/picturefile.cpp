#include "picturefile.h"

#include <QBuffer>
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
    // One byte more than the budget tells a file that is too large, even one
    // that grows while it is read.
    *bytes = file.read(budget.fileBytes + 1);
    return true;
}

QImage decodePicture(const QByteArray &bytes, QSize size, const PictureBudget &budget)
{
    const PictureCost cost = pictureCost(bytes, size, budget);
    if (!cost.withinBudget())
        return QImage();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, cost.format);
    reader.setAutoDetectImageFormat(false);
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

QImage readPicture(const QString &path, QSize size, const PictureBudget &budget)
{
    QByteArray bytes;
    return readPictureBytes(path, &bytes, budget) ? decodePicture(bytes, size, budget) : QImage();
}
