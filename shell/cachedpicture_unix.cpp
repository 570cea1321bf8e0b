#include "cachedpicture.h"

#include <QFile>

#include <sys/stat.h>

CachedPicture::Stamp CachedPicture::stampOf(const QString &path)
{
    Stamp stamp;
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return stamp;
    stamp.exists = true;
    stamp.bytes = status.st_size;
    stamp.inode = status.st_ino;
    stamp.device = status.st_dev;
    stamp.modifiedNs = nsSince1970(status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
    stamp.changedNs = nsSince1970(status.st_ctim.tv_sec, status.st_ctim.tv_nsec);
    return stamp;
}
