#include "testpictures.h"

#include "measures/measures.h"
#include "patience.h"
#include "shell/cachedpicture.h"
#include "shell/picturefile.h"
#include "tools/guidepictures.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <algorithm>

namespace {

const QStringList &names()
{
    static const QStringList all = GuidePictures::all();
    return all;
}

// Colours on a coarse grid stay far apart, whatever JPEG makes of them.
QColor gridColour(int index)
{
    constexpr int Levels = 5;
    const auto level = [](int step) { return qMin(255, step * 64); };
    return QColor(level(index % Levels), level(index / Levels % Levels), level(index / (Levels * Levels)));
}

} // namespace

namespace TestPictures {

QString path(const QString &name)
{
    return QCoreApplication::applicationDirPath() + name;
}

QColor colourOf(const QString &name)
{
    return gridColour(names().indexOf(name));
}

void writeAll()
{
    writeAll(QCoreApplication::applicationDirPath());
}

void writeAll(const QString &folder)
{
    QStringList written;
    for (const QString &name : names()) {
        if (writeChanged(name, folder))
            written << folder + name;
    }
    // The guide decodes no file changed within the last second, which may
    // still be being written: the tests begin with the set settled.
    const bool settled = QTest::qWaitFor(
        [&written] {
            return std::all_of(written.cbegin(), written.cend(),
                               [](const QString &path) { return CachedPicture::settled(path); });
        },
        Patience::Ms);
    if (!settled)
        qWarning("The test pictures did not settle");
}

void write(const QString &name, const QString &folder)
{
    writeChanged(name, folder);
}

bool writeChanged(const QString &name, const QString &folder)
{
    const QString path = folder + name;
    // A test stopped half-way (killed, or crashed) can leave a hostile thing
    // it planted in a picture's place: a FIFO would hold the next run's save
    // for ever, a link would write through to its target, a folder or a file
    // without permissions would fail it. Whatever is there that is not a
    // plain file goes first; a plain file is written in place, as before.
    const QFileInfo there(path);
    if (there.isSymLink() || (there.exists() && !there.isFile()) || there.isDir()) {
        if (there.isDir() && !there.isSymLink())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    } else if (there.exists()
               && (!there.permissions().testFlag(QFileDevice::ReadOwner)
                   || !there.permissions().testFlag(QFileDevice::WriteOwner))) {
        QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    // Icons smaller than their box, which the guide shows at their own size.
    QImage image(GuidePictures::isIcon(name) ? QSize(40, 40) : PageSize, QImage::Format_RGB32);
    image.fill(colourOf(name));
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    image.save(&encoded, GuidePictures::isIcon(name) ? "PNG" : "JPEG", 95);
    // The same picture left by an earlier run is left as it is, settled.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.readAll() == encoded.data())
        return false;
    file.close();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(encoded.data());
    return true;
}

QString shownPicture(QWidget *window)
{
    return pictureOf(window->grab().toImage().pixel(CornerX, window->height() - CornerFromBottom));
}

QString pictureOf(const QColor &colour)
{
    for (const QString &name : names()) {
        if (Measures::colourDistance(colour, colourOf(name)) < Measures::SameColour)
            return name;
    }
    return QString();
}

} // namespace TestPictures
