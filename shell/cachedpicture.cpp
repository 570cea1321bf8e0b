#include "cachedpicture.h"

#include "picturefile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr qint64 UnsettledNs = qint64(1000) * 1000 * 1000;

// Off unless asked for (QT_LOGGING_RULES="quorvel.picture.decode.debug=true"):
// one line per decode, to see what a press costs.
Q_LOGGING_CATEGORY(pictureDecodes, "quorvel.picture.decode", QtInfoMsg)

qint64 systemClock()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000000;
}

} // namespace

qint64 (*CachedPicture::clock)() = systemClock;

bool CachedPicture::Stamp::operator==(const Stamp &other) const
{
    return exists == other.exists && bytes == other.bytes && inode == other.inode && device == other.device
        && modifiedNs == other.modifiedNs && changedNs == other.changedNs;
}

CachedPicture::Stamp CachedPicture::stampOf(const QString &path)
{
    Stamp stamp;
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return stamp;
    stamp.exists = true;
    stamp.bytes = status.st_size;
    stamp.inode = status.st_ino;
    stamp.device = status.st_dev;
    stamp.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.changedNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.bytes = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
#endif
    return stamp;
}

QImage CachedPicture::picture(const QString &newPath, QSize newSize)
{
    const Stamp now = stampOf(newPath);
    if (trusted && newPath == path && newSize == size && now == stamp)
        return image;
    path = newPath;
    size = newSize;
    stamp = now;
    const qint64 at = clock();
    trusted = qAbs(at - now.modifiedNs) >= UnsettledNs && qAbs(at - now.changedNs) >= UnsettledNs;
    // The old picture goes before the new one is decoded: only one is held.
    image = QImage();
    image = readPicture(path, size);
    qCDebug(pictureDecodes) << path << size;
    return image;
}
