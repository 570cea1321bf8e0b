#ifndef CACHEDPICTURE_H
#define CACHEDPICTURE_H

#include <QImage>
#include <QSize>
#include <QString>

// A page's decoded picture, kept while the file behind it stays the same, so
// that the repaints of a press or a hover cost no decode. Whether the file
// changed is told by its size, file index (inode), and modification and
// status-change times, looked up at every paint; a picture replaced while the
// guide runs still shows at the next paint, and so does one that appears or
// becomes readable. A replacement still being written is not shown: the old
// picture stays until the new file has settled.
class CachedPicture
{
public:
    // The picture at path decoded to size in device pixels; null when it
    // cannot be read or is over budget.
    QImage picture(const QString &path, QSize size);

    // Nanoseconds since the epoch, against which a file's times tell whether
    // it has settled: the system's clock, unless a test moves it on rather
    // than wait a second.
    static qint64 (*clock)();

    // The last picture() came from a file written within the last second:
    // it should be asked again after SettleMs.
    bool settling() const { return !trusted; }
    static constexpr int SettleMs = 1100;

private:
    struct Stamp
    {
        bool exists = false;
        qint64 bytes = 0;
        quint64 inode = 0;
        quint64 device = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const Stamp &other) const;
    };
    static Stamp stampOf(const QString &path);

    QString path;
    QSize size;
    Stamp stamp;
    // A file written or changed within the last second may change again
    // within the file system's clock tick, leaving its times as they were: it
    // is not trusted, and decoded again at the next paint.
    bool trusted = false;
    QImage image;
};

#endif
