#include "picturefile.h"

#include <QCoreApplication>

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
