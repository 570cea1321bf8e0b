#include "cachedpicture.h"

#include "picturefile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLoggingCategory>

#include <limits>

namespace {

constexpr qint64 UnsettledNs = qint64(1000) * 1000 * 1000;

// Off unless asked for (QT_LOGGING_RULES="quorvel.picture.decode.debug=true"):
// one line per decode, to see what a press costs.
Q_LOGGING_CATEGORY(pictureDecodes, "quorvel.picture.decode", QtInfoMsg)

qint64 systemClock()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000000;
}

// Multiplies without overflow, held at the ends of qint64.
qint64 saturatedTimes(qint64 value, qint64 factor)
{
    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    if (value > Max / factor)
        return Max;
    if (value < -(Max / factor))
        return -Max;
    return value * factor;
}

} // namespace

qint64 (*CachedPicture::clock)() = systemClock;

CachedPicture::CachedPicture(QObject *parent)
    : QObject(parent)
{
    settleTimer.setSingleShot(true);
    // A coarse timer may come up to 5% early, the file still settling.
    settleTimer.setTimerType(Qt::PreciseTimer);
    connect(&settleTimer, SIGNAL(timeout()), this, SIGNAL(sigChanged()));
}

bool CachedPicture::Stamp::operator==(const Stamp &other) const
{
    return exists == other.exists && bytes == other.bytes && inode == other.inode && device == other.device
        && modifiedNs == other.modifiedNs && changedNs == other.changedNs;
}

qint64 CachedPicture::nsSince1970(qint64 ticksSince1601)
{
    if (ticksSince1601 <= 0)
        return 0;
    // Windows counts 100 ns from 1601. Both are positive: no overflow here.
    constexpr qint64 From1601 = Q_INT64_C(11644473600) * 10000000;
    return saturatedTimes(ticksSince1601 - From1601, 100);
}

qint64 CachedPicture::nsSince1970(qint64 seconds, qint64 nanoseconds)
{
    const qint64 ns = saturatedTimes(seconds, 1000000000);
    if (qAbs(ns) == std::numeric_limits<qint64>::max())
        return ns;
    return ns + nanoseconds;
}

int CachedPicture::unsettledMs(const Stamp &stamp, qint64 at)
{
    if (!stamp.exists)
        return 0;
    // Compared without subtracting the file's times, which may be anything.
    qint64 left = 0;
    for (const qint64 time : {stamp.modifiedNs, stamp.changedNs}) {
        if (time > at - UnsettledNs && time < at + UnsettledNs)
            left = qMax(left, time + UnsettledNs - at);
    }
    // Rounded up, and a tick more: a look a moment early would find the
    // file settling still.
    return left > 0 ? int(left / 1000000) + 2 : 0;
}

bool CachedPicture::settled(const QString &path)
{
    return unsettledMs(stampOf(path), clock()) == 0;
}

QImage CachedPicture::picture(const QString &newPath, QSize newSize)
{
    const Stamp now = stampOf(newPath);
    const bool same = newPath == path && newSize == size;
    if (trusted && same && now == stamp)
        return image;
    const int waitMs = unsettledMs(now, clock());
    if (waitMs > 0) {
        // A file being written: what was shown of it stays, and nothing is
        // decoded until it has settled; one look then.
        trusted = false;
        if (!settleTimer.isActive())
            settleTimer.start(qMin(waitMs, SettleMs));
        if (same)
            return image;
        path = newPath;
        size = newSize;
        stamp = Stamp();
        image = QImage();
        return image;
    }
    path = newPath;
    size = newSize;
    stamp = now;
    trusted = true;
    // The old picture goes before the new one is decoded: only one is held.
    image = QImage();
    image = readPicture(path, size);
    qCDebug(pictureDecodes) << path << size;
    return image;
}

void CachedPicture::watch(const QString &newPath)
{
    if (watcher && watched == newPath)
        return;
    unwatch();
    if (newPath.isEmpty())
        return;
    watched = newPath;
    watcher = new QFileSystemWatcher(this);
    connect(watcher, SIGNAL(fileChanged(QString)), this, SLOT(sltPictureChanged()));
    connect(watcher, SIGNAL(directoryChanged(QString)), this, SLOT(sltPictureChanged()));
    watcher->addPath(QFileInfo(watched).absolutePath());
    if (QFileInfo::exists(watched))
        watcher->addPath(watched);
}

void CachedPicture::unwatch()
{
    delete watcher;
    watcher = nullptr;
    watched.clear();
}

void CachedPicture::sltPictureChanged()
{
    // A file replaced by rename or removed drops out of the watch.
    if (watcher && !watcher->files().contains(watched) && QFileInfo::exists(watched))
        watcher->addPath(watched);
    emit sigChanged();
}
