#ifndef PICTURESTATE_H
#define PICTURESTATE_H

#include <QString>
#include <QStringList>

#include <atomic>

// How the pictures the guide reads stand, judged by the guide's own reading:
// for the metrics, off the window's thread (it reads every file).
struct PictureState
{
    int missing = 0;
    int damaged = 0;
    QString package; // the Debian package that placed them, if one did
    QString version;

    // paths: full paths; the navigation icons are read at their box, the
    // others at the page's size, as the guide reads them. Given up on, part
    // way, once stop is set: the guide is closing.
    static PictureState judge(const QStringList &paths, const std::atomic<bool> *stop = nullptr);
};

#endif
