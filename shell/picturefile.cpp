#include "picturefile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>

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

bool withinPictureBudget(QSize declared)
{
    return declared.isValid() && declared.width() <= MaxPictureSide && declared.height() <= MaxPictureSide
        && qint64(declared.width()) * declared.height() <= MaxPicturePixels;
}

QImage readPicture(const QString &path, QSize size)
{
    // A plain file only: opening a FIFO waits for a writer for ever, and a
    // device is no picture.
    if (!QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    // The header alone, read without decoding.
    if (!withinPictureBudget(reader.size()))
        return QImage();
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}
