#include "guidemetrics.h"

#include "quorvelconfig.h"

#include <QDir>
#include <QSaveFile>
#include <QTextStream>

constexpr char GuideMetrics::FileName[];

namespace {

QString label(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('"'), QLatin1String("\\\""));
    value.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return value;
}

QString seconds(const QDateTime &time)
{
    return QString::number(static_cast<double>(time.toMSecsSinceEpoch()) / 1000.0, 'f', 3);
}

void metric(QTextStream &out, const char *name, const char *type, const char *help)
{
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
}

} // namespace

QString GuideMetrics::folderFromEnvironment()
{
    const QString folder = qEnvironmentVariable("QUORVEL_GUIDE_METRICS_DIR");
#ifdef Q_OS_WIN
    // No node-exporter there: written only where a folder is named.
    if (folder.isEmpty())
        return QString();
#else
    if (folder.isEmpty())
        return QStringLiteral("/var/lib/prometheus/node-exporter");
#endif
    return folder == QLatin1String("off") ? QString() : folder;
}

QString GuideMetrics::text() const
{
    QString text;
    QTextStream out(&text);
    metric(out, "quorvel_guide_up_since_seconds", "gauge", "When the guide started, in seconds since 1970.");
    out << "quorvel_guide_up_since_seconds " << seconds(upSince) << '\n';
    if (lastFrame.isValid()) {
        metric(out, "quorvel_guide_last_frame_seconds", "gauge",
               "When the guide last painted a frame, in seconds since 1970; it paints one every few seconds while "
               "it runs.");
        out << "quorvel_guide_last_frame_seconds " << seconds(lastFrame) << '\n';
    }
    metric(out, "quorvel_guide_page_views_total", "counter", "Pages shown since the guide started.");
    out << "quorvel_guide_page_views_total " << pageViews << '\n';
    metric(out, "quorvel_guide_visits_total", "counter",
           "Visits ended since the guide started: by a press that led home, or by the return after inactivity.");
    out << "quorvel_guide_visits_total{ended=\"button\"} " << visitsByButton << '\n';
    out << "quorvel_guide_visits_total{ended=\"idle\"} " << visitsByIdle << '\n';
    if (picturesMissing >= 0) {
        metric(out, "quorvel_guide_pictures_missing", "gauge", "Pictures the guide reads that are not there.");
        out << "quorvel_guide_pictures_missing " << picturesMissing << '\n';
        metric(out, "quorvel_guide_pictures_damaged", "gauge",
               "Pictures the guide cannot show: not a JPEG or PNG, damaged, or over its budget.");
        out << "quorvel_guide_pictures_damaged " << picturesDamaged << '\n';
    }
    metric(out, "quorvel_guide_info", "gauge", "The guide's version and its picture set's package and version.");
    out << "quorvel_guide_info{version=\"" << label(QStringLiteral(QUORVEL_VERSION)) << "\",pictures_package=\""
        << label(picturePackage.isEmpty() ? QStringLiteral("none") : picturePackage) << "\",pictures_version=\""
        << label(pictureVersion) << "\"} 1\n";
    out.flush();
    return text;
}

bool GuideMetrics::writeAtomically(const QString &folder, const QString &text, QString *error)
{
    QSaveFile file(QDir(folder).filePath(QLatin1String(FileName)));
    // The exporter reads it as a user of its own, and the kiosk's umask
    // (077) would leave it the guide's alone.
    const QFileDevice::Permissions readable
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(readable) || file.write(text.toUtf8()) < 0
        || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
