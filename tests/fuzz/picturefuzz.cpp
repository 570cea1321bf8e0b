// libFuzzer over the picture reader, bound and all: whatever the bytes, a
// reading must stay within the guide's own bound of processor time and
// memory, checked here for every input, and touch no memory it does not own.
//
//   picturefuzz --write-seeds FOLDER   writes real JPEG and PNG files to start
//                                      from, and files that once broke the bound
//
// regressions/ holds what it found, run again at the start of every run.
#include "shell/picturefile.h"
#include "shell/picturespeed.h"
#include "support/forgedpictures.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QImage gradient(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x ^ y) & 255, 128 + (x & 127)));
    }
    return image.convertToFormat(format);
}

bool writeSeed(const QString &path, const QImage &image, const char *format, bool progressive = false)
{
    QImageWriter writer(path, format);
    writer.setQuality(80);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image);
}

int writeSeeds(const QString &folder)
{
    QDir().mkpath(folder);
    const QString at = folder + QLatin1Char('/');
    const bool written = writeSeed(at + "baseline.jpg", gradient(64, 40, QImage::Format_RGB32), "jpeg")
        && writeSeed(at + "progressive.jpg", gradient(64, 40, QImage::Format_RGB32), "jpeg", true)
        && writeSeed(at + "grey.jpg", gradient(24, 16, QImage::Format_Grayscale8), "jpeg")
        && writeSeed(at + "rgb.png", gradient(30, 20, QImage::Format_RGB32), "png")
        && writeSeed(at + "alpha.png", gradient(30, 20, QImage::Format_ARGB32), "png")
        && writeSeed(at + "palette.png", gradient(30, 20, QImage::Format_Indexed8), "png")
        && writeSeed(at + "grey.png", gradient(30, 20, QImage::Format_Grayscale8), "png")
        && writeSeed(at + "deep.png", gradient(16, 10, QImage::Format_RGBA64), "png");
    // What a model of the decoders once let through: scans behind an empty
    // comment, a scan that leaves out two components, warning storms, a tall
    // PNG.
    const QByteArray hostile[] = {
        ForgedPictures::progressiveScans(4096, 4096, 1400, true),
        ForgedPictures::lumaOnlyScan(10000, 10000),
        ForgedPictures::pngWithRepeatedChunk(20000, "teXt", QByteArray(), true),
        ForgedPictures::pngWithRepeatedChunk(20000, "pHYs", QByteArray::fromHex("000000010000000100"), false),
        ForgedPictures::tallPng(24, 200000),
    };
    bool hostileWritten = true;
    for (const QByteArray &bytes : hostile) {
        QFile file(at + QStringLiteral("hostile-%1").arg(&bytes - hostile));
        hostileWritten = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && hostileWritten;
    }
    return written && hostileWritten ? 0 : 1;
}

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).simplified().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Every reading is stopped by the bounds counted in units (headers, scans'
// work, memory, warnings), never by the processor-time backstop, which is
// there for what those miss: reaching it is a finding, on any machine, as is
// a reading that ran past it anyway. The process's peak stays under 400 MB
// (the sanitizer's own included; resetting the peak for each reading would
// walk its shadow).
void readWithinBound(const QByteArray &bytes, QSize size, const PictureBudget &budget)
{
    const PictureReading reading = decodePictureWithReport(bytes, size, budget);
    const qint64 backstopNs = PictureSpeed::backstopNs(budget.frameBlocks);
    const qint64 peakMb = statusKb("VmHWM:") >> 10;
    if (reading.stop == PictureInput::Time || reading.cpuNs > backstopNs || peakMb > 400) {
        std::fprintf(stderr,
                     "picturefuzz: a reading took %lld ms (the backstop is %lld ms here)%s, the process peaked at "
                     "%lld MB: over the bound\n",
                     static_cast<long long>(reading.cpuNs / 1000000), static_cast<long long>(backstopNs / 1000000),
                     reading.stop == PictureInput::Time ? " and met the backstop" : "", static_cast<long long>(peakMb));
        std::abort();
    }
}

// The decoders' warnings about damaged data, thousands a second.
void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Image plugins are found through the application's library paths.
    static QCoreApplication application(*argc, *argv);
    qInstallMessageHandler(quiet);
    for (int i = 1; i + 1 < *argc; ++i) {
        if (std::strcmp((*argv)[i], "--write-seeds") == 0)
            std::exit(writeSeeds(QString::fromLocal8Bit((*argv)[i + 1])));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    // As a page at 1 and 2 device pixels a unit, and as an icon.
    readWithinBound(bytes, PageSize, PageBudget);
    readWithinBound(bytes, PageSize * 2, PageBudget);
    readWithinBound(bytes, QSize(), IconBudget);
    return 0;
}
