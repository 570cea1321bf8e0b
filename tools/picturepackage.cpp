#include "picturepackage.h"

#include "debpackage.h"
#include "picturecheck.h"
#include "picturefit.h"

#include "guidepictures.h"
#include "quorvelconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

namespace PicturePackage {

namespace {

// The synopsis names the site and stays within 80 characters.
constexpr int MaxSiteLength = 30;
constexpr int MaxVersionLength = 40;
// The most a set may weigh: a 1000 x 600 set takes a few MiB, and a package
// of gigabytes would stall a fleet's rollout. Added up before any copying.
constexpr qint64 MaxSetBytes = qint64(1) << 30;

QString appDir()
{
    return QStringLiteral(QUORVEL_APP_DIR);
}

// Where the package holds its pictures; its postinst places them in appDir().
QString setDir(const QString &site)
{
    return QStringLiteral(QUORVEL_SETS_DIR "/") + packageName(site);
}

const char LintianOverrides[] = "# The pictures lie beside the guide, in its one folder under /opt.\n"
                                "dir-or-file-in-opt\n";

QString relations()
{
    return QStringLiteral("Provides: quorvel-guide-pictures\n"
                          "Conflicts: quorvel-guide-pictures\n"
                          "Replaces: quorvel-guide-pictures, quorvel-guide (<< %1)\n"
                          "Breaks: quorvel-guide (<< %1)\n")
        .arg(QLatin1String(QUORVEL_PICTURES_SPLIT_VERSION));
}

QString description(const QString &site)
{
    return QStringLiteral("pictures of %1 for the RQX-500 Series product guide\n"
                          " The pictures that the site %1 shows in the Quorvel guide, placed\n"
                          " beside the guide in %2. Installing this package\n"
                          " replaces whichever picture package was installed; a running guide shows\n"
                          " the new pictures at its next paint.\n")
        .arg(site, appDir());
}

// The whole tree: the pictures, the documents lintian asks for, DEBIAN/.
bool stage(const QString &folder, const QString &site, DebPackage *package)
{
    for (const QString &name : GuidePictures::all()) {
        if (!package->copyFile(setDir(site) + name, QDir::cleanPath(folder) + name))
            return false;
    }
    const QString change = QStringLiteral("The pictures of %1, packed by guide-pictures.").arg(site);
    const QString licence = QStringLiteral(" The pictures belong to the site %1, for its own showrooms; this package\n"
                                           " grants no licence to them.\n")
                                .arg(site);
    return package->addDocuments(site, licence, change, LintianOverrides)
        && package->addScript(QStringLiteral("postinst"), QByteArray(PicturesPostinst))
        && package->finish(relations(), description(site));
}

qint64 setBytes(const QString &folder)
{
    qint64 bytes = 0;
    for (const QString &name : GuidePictures::all())
        bytes += QFileInfo(QDir::cleanPath(folder) + name).size();
    return bytes;
}

int fail(const QString &message, int status = 1)
{
    QTextStream(stderr) << "guide-pictures: " << message << "\n";
    return status;
}

// Prints the check's report, naming shownAs, when a picture in folder is faulty.
bool passesCheck(const QString &folder, const QString &shownAs)
{
    const QVector<PictureCheck::Finding> findings = PictureCheck::check(folder);
    for (const PictureCheck::Finding &finding : findings) {
        if (PictureCheck::isFault(finding.status)) {
            QTextStream(stdout) << PictureCheck::toText(findings, shownAs);
            fail(QStringLiteral("not packed: the guide would show a blank or broken page; nothing was written"));
            return false;
        }
    }
    return true;
}

} // namespace

QString packageName(const QString &site)
{
    return QStringLiteral("quorvel-guide-pictures-") + site;
}

QString fileName(const QString &site, const QString &version)
{
    return DebPackage::fileName(packageName(site), version);
}

QString siteProblem(const QString &site)
{
    static const QRegularExpression rule(QStringLiteral("^[a-z0-9][a-z0-9+.-]*$"));
    if (site.isEmpty() || site.size() > MaxSiteLength)
        return QStringLiteral("the name must be 1 to %1 characters long").arg(MaxSiteLength);
    if (!rule.match(site).hasMatch())
        return QStringLiteral("the name \"%1\" may hold only lower-case letters, digits, '+', '-' and '.', "
                              "and must begin with a letter or digit")
            .arg(site);
    return QString();
}

QString versionProblem(const QString &version)
{
    // [epoch:]upstream, beginning with a digit. A site's set is its own
    // upstream, a native package: no Debian revision after a hyphen.
    static const QRegularExpression rule(QStringLiteral("^([0-9]+:)?[0-9][A-Za-z0-9.+~]*$"));
    if (version.isEmpty() || version.size() > MaxVersionLength)
        return QStringLiteral("the version must be 1 to %1 characters long").arg(MaxVersionLength);
    if (!rule.match(version).hasMatch())
        return QStringLiteral("\"%1\" is not a version for a picture package: it begins with a digit, then holds "
                              "letters, digits, '.', '+' and '~', with an epoch like \"1:\" at most")
            .arg(version);
    return QString();
}

int run(const QStringList &arguments)
{
    QString folder;
    QString site;
    QString version;
    QString output = QStringLiteral(".");
    QString scale;
    bool fit = false;
    const QString usage
        = QStringLiteral("package takes DIR --name NAME --version VERSION [--output OUTDIR] [--fit [--scale F]]");
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        QString *value = arg == QLatin1String("--name") ? &site
            : arg == QLatin1String("--version")         ? &version
            : arg == QLatin1String("--output")          ? &output
            : arg == QLatin1String("--scale")           ? &scale
                                                        : nullptr;
        if (value && i + 1 < arguments.size())
            *value = arguments.at(++i);
        else if (arg == QLatin1String("--fit"))
            fit = true;
        else if (!arg.startsWith(QLatin1Char('-')) && folder.isEmpty())
            folder = arg;
        else
            return fail(usage, 2);
    }
    if (folder.isEmpty() || site.isEmpty() || version.isEmpty() || (!scale.isNull() && !fit))
        return fail(usage, 2);
    for (const QString &problem : {siteProblem(site), versionProblem(version)}) {
        if (!problem.isEmpty())
            return fail(problem, 2);
    }

    // Fitted into a scratch copy; the designer's folder is never written.
    QTemporaryDir fitted;
    const QString shownAs = folder;
    if (fit) {
        double factor = 1;
        if (!scale.isNull() && !PictureFit::scaleFrom(scale, &factor))
            return fail(QStringLiteral("the scale must be a number from 0.1 to 8"), 2);
        QStringList report;
        QString error;
        if (!fitted.isValid() || !PictureFit::fit(folder, fitted.path(), factor, &report, &error))
            return fail(error.isEmpty() ? QStringLiteral("cannot make a scratch folder") : error);
        QTextStream out(stdout);
        for (const QString &line : report.mid(0, report.size() - 1))
            out << line << "\n";
        folder = fitted.path();
    }

    if (!passesCheck(folder, shownAs))
        return 1;
    if (setBytes(folder) > MaxSetBytes)
        return fail(QStringLiteral("not packed: the pictures add up to more than %1 MiB").arg(MaxSetBytes >> 20));

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return fail(QStringLiteral("cannot make a scratch folder"));
    const QString root = scratch.path() + QStringLiteral("/root");
    DebPackage package(root, packageName(site), version);
    if (!stage(folder, site, &package))
        return fail(package.error());
    // The copies too, so that the package holds exactly what passed even if
    // a designer saved into the folder meanwhile.
    if (!passesCheck(root + setDir(site), shownAs))
        return 1;
    if (!QDir().mkpath(output))
        return fail(QStringLiteral("cannot make the folder %1").arg(output));
    const QString target = QDir(output).filePath(fileName(site, version));
    if (!package.build(target))
        return fail(package.error());
    QTextStream(stdout) << "Pictures of " << site << " packed into " << target << ".\n";
    return 0;
}

} // namespace PicturePackage
