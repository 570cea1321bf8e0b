#include "testpictures.h"

#include "shell/guidepictures.h"

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

int distance(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

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
    const bool icon = name.endsWith(QLatin1String(".png"));
    QImage image(icon ? QSize(40, 40) : QSize(1000, 600), QImage::Format_RGB32);
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
        if (distance(colour, colourOf(name)) < 24)
            return name;
    }
    return QString();
}

} // namespace TestPictures
