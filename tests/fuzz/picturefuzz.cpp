// libFuzzer over the picture reader, budget and all: whatever the bytes, a
// decode must return within libFuzzer's -timeout and below its -rss_limit_mb,
// and touch no memory it does not own.
//
//   picturefuzz --write-seeds FOLDER   writes real JPEG and PNG files to start from
//
// regressions/ holds what it found, run again at the start of every run.
#include "shell/picturefile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageWriter>

#include <cstdint>
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
    return written ? 0 : 1;
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
    decodePicture(bytes, PageSize);
    decodePicture(bytes, PageSize * 2);
    decodePicture(bytes);
    return 0;
}
