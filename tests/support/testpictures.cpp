#include "testpictures.h"

#include "measures/measures.h"
#include "shell/picturefile.h"
#include "tools/guidepictures.h"

#include <QCoreApplication>
#include <QImage>
#include <QWidget>

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
    for (const QString &name : names())
        write(name, folder);
}

void write(const QString &name, const QString &folder)
{
    // Icons smaller than their box, which the guide shows at their own size.
    QImage image(GuidePictures::isIcon(name) ? QSize(40, 40) : PageSize, QImage::Format_RGB32);
    image.fill(colourOf(name));
    image.save(folder + name, nullptr, 95);
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
