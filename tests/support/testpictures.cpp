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

int distance(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
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
    for (const QString &name : names()) {
        const bool icon = name.endsWith(QLatin1String(".png"));
        QImage image(icon ? QSize(40, 40) : QSize(1000, 600), QImage::Format_RGB32);
        image.fill(colourOf(name));
        image.save(path(name), nullptr, 95);
    }
}

QString shownPicture(QWidget *window)
{
    const QColor corner(window->grab().toImage().pixel(2, window->height() - 3));
    for (const QString &name : names()) {
        if (distance(corner, colourOf(name)) < 24)
            return name;
    }
    return QString();
}

} // namespace TestPictures
