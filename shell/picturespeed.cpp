#include "picturespeed.h"

#include "processusage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <mutex>
#include <random>

namespace {

constexpr int ReferenceSide = 256;
constexpr int Decodes = 3;
// Below this many blocks a reading's setting up outweighs its blocks.
constexpr qint64 FloorBlocks = 20000;

QByteArray referencePhoto()
{
    // A gradient with grain, as a photo at quality 92 holds it.
    QImage image(ReferenceSide, ReferenceSide, QImage::Format_RGB32);
    std::mt19937 random(92);
    auto *pixel = reinterpret_cast<QRgb *>(image.bits());
    for (int i = 0; i < ReferenceSide * ReferenceSide; ++i) {
        const int x = i % ReferenceSide;
        const int y = i / ReferenceSide;
        const int grain = int(random() % 9) - 4;
        pixel[i] = qRgb(qBound(0, x + grain, 255), qBound(0, y + grain, 255), qBound(0, (x + y) / 2 + grain, 255));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    return bytes;
}

qint64 measure()
{
    const QByteArray photo = referencePhoto();
    qint64 least = -1;
    for (int i = 0; i < Decodes; ++i) {
        QBuffer buffer;
        buffer.setData(photo);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        const qint64 start = ProcessUsage::threadCpuNs();
        const QImage image = reader.read();
        const qint64 took = ProcessUsage::threadCpuNs() - start;
        if (!image.isNull() && took > 0)
            least = least < 0 ? took : qMin(least, took);
    }
    // Qt writes 4:2:0 (1.5 blocks a luma block); a 4:4:4 block costs about as
    // much as one of those.
    const qint64 blocks = qint64(ReferenceSide / 8) * (ReferenceSide / 8) * 3 / 2;
    // Where nothing could be measured (a timer of coarse ticks), a slow
    // machine's figure.
    return least > 0 ? qMax<qint64>(1, least / blocks) : 2000;
}

} // namespace

qint64 PictureSpeed::nsPerBlock()
{
    static std::once_flag measured;
    static qint64 ns = 0;
    std::call_once(measured, [] { ns = measure(); });
    return ns;
}

qint64 PictureSpeed::backstopNs(qint64 blocks)
{
    return BackstopMultiple * nsPerBlock() * qMax(blocks, FloorBlocks);
}
