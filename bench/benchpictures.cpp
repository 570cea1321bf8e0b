#include "benchpictures.h"

#include "shell/abstractquorvelwidget.h"
#include "tools/demopictures.h"
#include "tools/guidepictures.h"

#include <QPainter>
#include <QRandomGenerator>

namespace {

constexpr int JpegQuality = 90;
constexpr int Grain = 8; // sensor grain, in levels either side
constexpr int IconSide = 96;

QImage randomCells(QSize cells, QRandomGenerator &random)
{
    QImage image(cells, QImage::Format_RGB32);
    for (int y = 0; y < cells.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < cells.width(); ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    return image;
}

void addGrain(QImage &image, QRandomGenerator &random)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int d = int(random.bounded(2 * Grain + 1)) - Grain;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + d, 255), qBound(0, qGreen(p) + d, 255), qBound(0, qBlue(p) + d, 255));
        }
    }
}

} // namespace

namespace BenchPictures {

QImage photo(QSize size, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(Qt::NoPen);

    QLinearGradient light(0, 0, 0, size.height());
    light.setColorAt(0, QColor::fromRgb(random.generate()));
    light.setColorAt(1, QColor::fromRgb(random.generate()));
    painter.fillRect(image.rect(), light);

    // Coarse cells smoothed over the whole picture: broad patches of colour.
    painter.setOpacity(0.5);
    painter.drawImage(image.rect(), randomCells(QSize(12, 8), random));

    painter.setOpacity(0.7);
    for (int i = 0; i < 30; ++i) {
        const QRectF shape(random.generateDouble() * size.width(), random.generateDouble() * size.height(),
                           random.generateDouble() * size.width() / 3, random.generateDouble() * size.height() / 3);
        QLinearGradient shade(shape.topLeft(), shape.bottomRight());
        shade.setColorAt(0, QColor::fromRgb(random.generate()));
        shade.setColorAt(1, QColor::fromRgb(random.generate()));
        painter.setBrush(shade);
        if (i % 2)
            painter.drawEllipse(shape);
        else
            painter.drawRoundedRect(shape, shape.width() / 8, shape.height() / 8);
    }

    // Fine cells: texture such as foliage, fabric or gravel.
    painter.setOpacity(0.25);
    painter.drawImage(image.rect(), randomCells(QSize(250, 150), random));
    painter.end();

    addGrain(image, random);
    return image;
}

bool writeGuideSet(const QString &folder)
{
    quint32 seed = 1;
    for (const QString &name : GuidePictures::all()) {
        // Icons as a designer draws them, larger than the 50 x 50 they are fitted into.
        const bool written = GuidePictures::isIcon(name)
            ? DemoPictures::navigationIcon(name)
                  .scaled(IconSide, IconSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .save(folder + name)
            : saveJpeg(photo(PageSize, seed++), folder + name);
        if (!written)
            return false;
    }
    return true;
}

bool saveJpeg(const QImage &picture, const QString &path)
{
    return picture.save(path, "JPEG", JpegQuality);
}

} // namespace BenchPictures
