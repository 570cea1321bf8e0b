#include "picturereading.h"

#include "jpegscans.h"
#include "picturespeed.h"
#include "picturewarnings.h"
#include "pngchunks.h"
#include "processusage.h"

#include <QImageReader>

#include <memory>

namespace {

// What the headers say, before a byte is decoded.
bool refusedByHeaders(const QByteArray &bytes, const PictureBudget &budget, PictureReading *reading)
{
    if (bytes.size() > budget.fileBytes) {
        reading->cost.tooMuch = QStringLiteral("a file of %1 MB, more than the %2 MB the guide reads")
                                    .arg((bytes.size() >> 20) + 1)
                                    .arg(budget.fileBytes >> 20);
        reading->verdict = PictureReading::OverBudget;
        return true;
    }
    if (reading->cost.limit == PictureCost::NotJpegOrPng) {
        reading->verdict = PictureReading::NotJpegOrPng;
        return true;
    }
    if (!reading->cost.withinBudget()) {
        reading->verdict = PictureReading::OverBudget;
        return true;
    }
    return false;
}

} // namespace

PictureReading decodePictureWithReport(const QByteArray &bytes, QSize size, const PictureBudget &budget)
{
    PictureReading reading;
    // Measured once, at the first reading, and not counted as its time.
    PictureSpeed::nsPerBlock();
    const qint64 cpuStart = ProcessUsage::threadCpuNs();
    reading.cost = pictureCost(bytes, size, budget);
    if (refusedByHeaders(bytes, budget, &reading)) {
        reading.cpuNs = ProcessUsage::threadCpuNs() - cpuStart;
        return reading;
    }

    const bool png = reading.cost.format == "png";
    // The work is the JPEG's scans' blocks; a PNG's is its pixels, an eighth
    // of a block's each.
    const qint64 blocks
        = png ? qint64(reading.cost.size.width()) * reading.cost.size.height() / 64 : reading.cost.blocks;
    PngChunks chunks;
    if (png)
        chunks = pngChunksToDecode(bytes);
    const QByteArray &decoded = png ? chunks.kept : bytes;
    std::unique_ptr<JpegScans> scans;
    if (!png)
        scans = std::make_unique<JpegScans>(decoded.constData(), decoded.size());

    const PictureWarnings warnings;
    PictureInput input(decoded.constData(), decoded.size(),
                       reading.cost.memoryBytes + bytes.size() + (png ? decoded.size() : 0) + budget.slackBytes,
                       PictureSpeed::backstopNs(blocks), scans.get(), &warnings);
    input.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QImageReader reader(&input, reading.cost.format);
    reader.setAutoDetectImageFormat(false);
    if (size.isValid())
        reader.setScaledSize(size);
    reading.image = reader.read();

    reading.warnings = warnings.count();
    reading.firstWarning = warnings.first();
    reading.stop = input.stopped();
    reading.chunksLeftOut = chunks.left;
    if (scans) {
        reading.scans = scans->scans();
        reading.work = scans->work();
        reading.workLimit = scans->workLimit();
    }
    reading.cpuNs = ProcessUsage::threadCpuNs() - cpuStart;
    // What was decoded before the stop would show as a picture cut short.
    if (reading.stop != PictureInput::NotStopped) {
        reading.image = QImage();
        reading.verdict = PictureReading::Stopped;
    } else {
        reading.verdict = reading.image.isNull() ? PictureReading::Damaged : PictureReading::Shown;
    }
    return reading;
}

QImage decodePicture(const QByteArray &bytes, QSize size, const PictureBudget &budget)
{
    return decodePictureWithReport(bytes, size, budget).image;
}

PictureReading readPictureWithReport(const QString &path, QSize size, const PictureBudget &budget)
{
    QByteArray bytes;
    if (!readPictureBytes(path, &bytes, budget))
        return PictureReading();
    return decodePictureWithReport(bytes, size, budget);
}

QImage readPicture(const QString &path, QSize size, const PictureBudget &budget)
{
    return readPictureWithReport(path, size, budget).image;
}
