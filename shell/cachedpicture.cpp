#include "cachedpicture.h"

#include "picturefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
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
#elif defined(Q_OS_WIN)
    // As inode and ctime on Unix: the file index and the change time, which
    // a copy that keeps its source's time or an overwrite in place still moves.
    const HANDLE file = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
                                    FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION identity{};
    FILE_BASIC_INFO times{};
    const bool known = GetFileInformationByHandle(file, &identity)
        && GetFileInformationByHandleEx(file, FileBasicInfo, &times, sizeof times);
    CloseHandle(file);
    if (!known)
        return stamp;
    // Windows counts 100 ns from 1601; the settling window compares with
    // Unix time.
    constexpr qint64 From1601 = Q_INT64_C(11644473600) * 10000000;
    stamp.exists = true;
    stamp.bytes = (qint64(identity.nFileSizeHigh) << 32) | identity.nFileSizeLow;
    stamp.inode = (quint64(identity.nFileIndexHigh) << 32) | identity.nFileIndexLow;
    stamp.device = identity.dwVolumeSerialNumber;
    stamp.modifiedNs = (times.LastWriteTime.QuadPart - From1601) * 100;
    stamp.changedNs = (times.ChangeTime.QuadPart - From1601) * 100;
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
    const qint64 at = clock();
    const bool settled = qAbs(at - now.modifiedNs) >= UnsettledNs && qAbs(at - now.changedNs) >= UnsettledNs;
    // A replacement being written: the picture shown stays until it settles.
    if (!settled && now.exists && !(now == stamp) && !image.isNull() && newPath == path && newSize == size) {
        trusted = false;
        return image;
    }
    path = newPath;
    size = newSize;
    stamp = now;
    trusted = settled;
    // The old picture goes before the new one is decoded: only one is held.
    image = QImage();
    image = readPicture(path, size);
    qCDebug(pictureDecodes) << path << size;
    return image;
}
