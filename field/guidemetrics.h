#ifndef GUIDEMETRICS_H
#define GUIDEMETRICS_H

#include <QDateTime>
#include <QString>

// The guide's state as Prometheus metrics, in the text format that
// node-exporter's textfile collector reads.
struct GuideMetrics
{
    QDateTime upSince;
    QDateTime lastFrame; // null until the first frame
    qint64 pageViews = 0;
    qint64 visitsByButton = 0;
    qint64 visitsByIdle = 0;
    int picturesMissing = -1; // -1 until the pictures have been read
    int picturesDamaged = -1;
    QString picturePackage;
    QString pictureVersion;

    // The default folder, node-exporter's on Debian (none on Windows);
    // QUORVEL_GUIDE_METRICS_DIR names another, and "off" writes none.
    static QString folderFromEnvironment();
    static constexpr char FileName[] = "quorvel-guide.prom";

    QString text() const;
    // Written to a scratch file in the same folder and renamed over the old
    // one, so that the collector never reads half a file.
    static bool writeAtomically(const QString &folder, const QString &text, QString *error);
};

#endif
