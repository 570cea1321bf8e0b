#include "picturebytes.h"

#include <QFile>
#include <QFileInfo>

bool readPictureBytes(const QString &path, QByteArray *bytes, const PictureBudget &budget)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    // One byte more than the budget tells a file that is too large. Windows
    // touches all of what is asked, so it is the file's size here.
    *bytes = file.read(qMin(file.size(), budget.fileBytes) + 1);
    return true;
}
