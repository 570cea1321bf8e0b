#ifndef CACHEDPICTURE_H
#define CACHEDPICTURE_H

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

QT_BEGIN_NAMESPACE
class QFileSystemWatcher;
QT_END_NAMESPACE

// A page's decoded picture, kept while the file behind it stays the same, so
// that the repaints of a press or a hover cost no decode, and the one place
// that follows the file while the page shows. Whether the file changed is
// told by its size, file index (inode), and modification and status-change
// times, looked up at every paint; a picture replaced while the guide runs
// still shows at the next paint, and so does one that appears or becomes
// readable. A file changed within the last second may still be being written:
// it is not decoded until it has settled, and the picture shown before it, if
// any, stays meanwhile.
class CachedPicture : public QObject
{
    Q_OBJECT

public:
    explicit CachedPicture(QObject *parent = nullptr);

    // The picture at path decoded to size in device pixels; null when it
    // cannot be read, is over budget, or has not settled with nothing shown
    // before it.
    QImage picture(const QString &path, QSize size);

    // While path is watched, sigChanged() says when the picture may look
    // different at the next paint: the file or its folder changed (a
    // replacement by rename changes only the folder), or a file that was
    // settling has settled. Nobody presses a kiosk left alone.
    void watch(const QString &path);
    void unwatch();

    // Nanoseconds since the epoch, against which a file's times tell whether
    // it has settled: the system's clock, unless a test moves it on rather
    // than wait a second.
    static qint64 (*clock)();

    // How long after its last change a file counts as settled, and so how
    // long the one pending look waits, at most.
    static constexpr int SettleMs = 1100;
    // Whether the file at path has settled (or is not there), by clock().
    static bool settled(const QString &path);

    // A Windows file time (100 ns since 1601) in nanoseconds since 1970,
    // held within what a qint64 holds; 0, which a file system that keeps no
    // such time gives, is "long ago".
    static qint64 nsSince1970(qint64 ticksSince1601);
    // Seconds and nanoseconds since 1970, held the same way.
    static qint64 nsSince1970(qint64 seconds, qint64 nanoseconds);

signals:
    void sigChanged();

private slots:
    void sltPictureChanged();

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
    // In cachedpicture_unix.cpp and cachedpicture_win.cpp.
    static Stamp stampOf(const QString &path);
    // How long until a file of this stamp has settled, in ms; 0 when it has.
    static int unsettledMs(const Stamp &stamp, qint64 at);

    QString path;
    QSize size;
    Stamp stamp;
    // A file written or changed within the last second may change again
    // within the file system's clock tick, leaving its times as they were: it
    // is not trusted, and looked at again once it has settled.
    bool trusted = false;
    QImage image;
    // The one look at a settling file, however often the page paints.
    QTimer settleTimer{this};
    QFileSystemWatcher *watcher = nullptr;
    QString watched;
};

#endif
