#include "picturestate.h"

#include "shell/abstractquorvelwidget.h"
#include "shell/picturefile.h"
#include "shell/picturereading.h"

#include <QFileInfo>
#include <QProcess>

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
    // A picture package owns the pictures; dpkg-query says which, and its version.
    for (const QString &path : paths) {
        if (!QFileInfo::exists(path))
            continue;
        const QString owner = run(QStringLiteral("dpkg-query"), {QStringLiteral("-S"), path});
        state.package = owner.section(QLatin1Char(':'), 0, 0).section(QLatin1Char(','), 0, 0).trimmed();
        if (!state.package.isEmpty())
            state.version = run(QStringLiteral("dpkg-query"),
                                {QStringLiteral("-W"), QStringLiteral("-f=${Version}"), state.package});
        break;
    }
#endif
    return state;
}
