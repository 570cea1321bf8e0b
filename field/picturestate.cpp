#include "picturestate.h"

#include "shell/abstractquorvelwidget.h"
#include "shell/picturefile.h"
#include "shell/picturereading.h"

#include "quorvelconfig.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {

#ifndef Q_OS_WIN
QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
#endif

} // namespace

PictureState PictureState::judge(const QStringList &paths, const std::atomic<bool> *stop)
{
    PictureState state;
    const QStringList icons = AbstractQuorvelWidget::navigationPictures();
    for (const QString &path : paths) {
        if (stop && *stop)
            return state;
        if (!QFileInfo::exists(path)) {
            ++state.missing;
            continue;
        }
        const bool icon = icons.contains(pictureName(path));
        const QSize size = icon ? QSize(NavigationIconBox, NavigationIconBox) : PageSize;
        if (readPictureWithReport(path, size, icon ? IconBudget : PageBudget).verdict != PictureReading::Shown)
            ++state.damaged;
    }
#ifndef Q_OS_WIN
    if (stop && *stop)
        return state;
    // A picture package's postinst names itself beside the pictures it
    // placed; dpkg-query gives its version.
    if (paths.isEmpty())
        return state;
    QFile marker(QFileInfo(paths.first()).absolutePath() + QLatin1String("/" QUORVEL_PICTURES_MARKER));
    static const QRegularExpression packageName(QStringLiteral("^[a-z0-9][a-z0-9+.-]+$"));
    const QString package
        = marker.open(QIODevice::ReadOnly) ? QString::fromUtf8(marker.readLine(256)).trimmed() : QString();
    if (packageName.match(package).hasMatch()) {
        state.package = package;
        state.version
            = run(QStringLiteral("dpkg-query"), {QStringLiteral("-W"), QStringLiteral("-f=${Version}"), package});
    }
#endif
    return state;
}
