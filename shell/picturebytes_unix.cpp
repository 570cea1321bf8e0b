#include "picturebytes.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool readPictureBytes(const QString &path, QByteArray *bytes, const PictureBudget &budget)
{
    // Opened without waiting, and checked to be a plain file before a read.
    QFile file;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    if (fd < 0)
        return false;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    // One byte more than the budget tells a file that is too large. Qt
    // allocates what is asked before it reads: glibc maps a block of the
    // budget's size afresh and gives it back whole, so readings leave the heap
    // as they found it (a buffer of the file's own size saws resident memory
    // by megabytes).
    *bytes = file.read(budget.fileBytes + 1);
    return true;
}
