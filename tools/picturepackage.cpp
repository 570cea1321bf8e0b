#include "picturepackage.h"

#include "picturecheck.h"
#include "picturefit.h"

#include "guidepictures.h"
#include "quorvelconfig.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace PicturePackage {

namespace {

// The synopsis names the site and stays within 80 characters.
constexpr int MaxSiteLength = 30;
constexpr int MaxVersionLength = 40;
// The most a set may weigh: a 1000 x 600 set takes a few MiB, and a package
// of gigabytes would stall a fleet's rollout. Added up before any copying.
constexpr qint64 MaxSetBytes = qint64(1) << 30;
constexpr int DpkgDebMilliseconds = 5 * 60 * 1000;

const QFile::Permissions FileMode
    = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
const QFile::Permissions DirMode = FileMode | QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;

QString appDir()
{
    return QStringLiteral(QUORVEL_APP_DIR);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return file.setPermissions(FileMode);
}

bool makeDir(const QString &path)
{
    return QDir().mkpath(path) && QFile::setPermissions(path, DirMode);
}

// Every folder from root down to path, so that none keeps QTemporaryDir's 0700.
bool makeDirs(const QString &root, const QString &relative)
{
    QString path = root;
    for (const QString &part : relative.split(QLatin1Char('/'))) {
        path += QLatin1Char('/') + part;
        if (!makeDir(path))
            return false;
    }
    return true;
}

QString versionWithoutEpoch(const QString &version)
{
    return version.mid(version.indexOf(QLatin1Char(':')) + 1);
}

QByteArray changelog(const QString &site, const QString &version)
{
    const QString date = QDateTime::currentDateTimeUtc().toString(Qt::RFC2822Date);
    return QStringLiteral("%1 (%2) stable; urgency=medium\n\n"
                          "  * The pictures of %3, packed by guide-pictures.\n\n"
                          " -- %4  %5\n")
        .arg(packageName(site), version, site, QLatin1String(QUORVEL_MAINTAINER), date)
        .toUtf8();
}

QByteArray copyright(const QString &site)
{
    return QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
                          "Upstream-Name: %1\n\n"
                          "Files: *\n"
                          "Copyright: %3 the site %2\n"
                          "License: proprietary\n"
                          " The pictures belong to the site %2, for its own showrooms; this package\n"
                          " grants no licence to them.\n")
        .arg(packageName(site), site)
        .arg(QDate::currentDate().year())
        .toUtf8();
}

const char LintianOverrides[] = "# The pictures lie beside the guide, in its one folder under /opt.\n"
                                "dir-or-file-in-opt\n";

// gzip -9n: a changelog compressed without a time stamp, as lintian wants it.
bool gzip(const QString &path, QString *error)
{
    QProcess process;
    process.start(QStringLiteral("gzip"), {QStringLiteral("-9nf"), path});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error
            = QStringLiteral("gzip failed on %1: %2").arg(path, QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return QFile::setPermissions(path + QStringLiteral(".gz"), FileMode);
}

struct Staged
{
    qint64 installedKiB = 0;
    QByteArray md5sums;
};

// Counts a file of the tree into Installed-Size and DEBIAN/md5sums.
bool account(const QString &root, const QString &relative, Staged *staged)
{
    QFile file(root + QLatin1Char('/') + relative);
    QCryptographicHash md5(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !md5.addData(&file))
        return false;
    staged->md5sums += md5.result().toHex() + "  " + relative.toUtf8() + '\n';
    staged->installedKiB += (file.size() + 1023) / 1024;
    return true;
}

// The whole tree: the pictures, the documents lintian asks for, DEBIAN/.
bool stage(const QString &folder, const QString &site, const QString &version, const QString &root, QString *error)
{
    const QString package = packageName(site);
    const QString app = appDir().mid(1);
    const QString doc = QStringLiteral("usr/share/doc/") + package;
    const QString overrides = QStringLiteral("usr/share/lintian/overrides/") + package;
    for (const QString &dir : {app, doc, QStringLiteral("usr/share/lintian/overrides"), QStringLiteral("DEBIAN")}) {
        if (!makeDirs(root, dir)) {
            *error = QStringLiteral("cannot make %1 in %2").arg(dir, root);
            return false;
        }
    }
    Staged staged;
    for (const QString &name : GuidePictures::all()) {
        const QString from = QDir::cleanPath(folder) + name;
        const QString to = root + QLatin1Char('/') + app + name;
        if (!QFile::copy(from, to) || !QFile::setPermissions(to, FileMode) || !account(root, app + name, &staged)) {
            *error = QStringLiteral("cannot copy %1").arg(from);
            return false;
        }
    }
    const QString changes = doc + QStringLiteral("/changelog");
    if (!writeFile(root + QLatin1Char('/') + doc + QStringLiteral("/copyright"), copyright(site))
        || !writeFile(root + QLatin1Char('/') + overrides, LintianOverrides)
        || !writeFile(root + QLatin1Char('/') + changes, changelog(site, version))
        || !gzip(root + QLatin1Char('/') + changes, error)
        || !account(root, doc + QStringLiteral("/copyright"), &staged) || !account(root, overrides, &staged)
        || !account(root, changes + QStringLiteral(".gz"), &staged)) {
        if (error->isEmpty())
            *error = QStringLiteral("cannot write the documents into %1").arg(root);
        return false;
    }
    if (!writeFile(root + QStringLiteral("/DEBIAN/md5sums"), staged.md5sums)
        || !writeFile(root + QStringLiteral("/DEBIAN/control"), control(site, version, staged.installedKiB).toUtf8())) {
        *error = QStringLiteral("cannot write the package's control files");
        return false;
    }
    return true;
}

// dpkg-deb builds beside the final name; the rename makes the package appear whole.
bool build(const QString &root, const QString &target, QString *error)
{
    const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
    if (dpkgDeb.isEmpty()) {
        *error = QStringLiteral("dpkg-deb is not installed (Debian's package dpkg)");
        return false;
    }
    const QString partial = target + QStringLiteral(".partial");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(
        dpkgDeb,
        {QStringLiteral("--root-owner-group"), QStringLiteral("-Zxz"), QStringLiteral("--build"), root, partial});
    const bool built = process.waitForFinished(DpkgDebMilliseconds) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!built) {
        process.kill();
        process.waitForFinished();
        QFile::remove(partial);
        *error = QStringLiteral("dpkg-deb failed: %1").arg(QString::fromLocal8Bit(process.readAll()).trimmed());
        return false;
    }
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(partial);
        *error = QStringLiteral("cannot write %1").arg(target);
        return false;
    }
    return true;
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
    return QStringLiteral("%1_%2_all.deb").arg(packageName(site), versionWithoutEpoch(version));
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

QString control(const QString &site, const QString &version, qint64 installedKiB)
{
    return QStringLiteral("Package: %1\n"
                          "Version: %2\n"
                          "Architecture: all\n"
                          "Maintainer: %3\n"
                          "Installed-Size: %4\n"
                          "Provides: quorvel-guide-pictures\n"
                          "Conflicts: quorvel-guide-pictures\n"
                          "Replaces: quorvel-guide-pictures, quorvel-guide (<< %5)\n"
                          "Breaks: quorvel-guide (<< %5)\n"
                          "Section: misc\n"
                          "Priority: optional\n"
                          "Description: pictures of %6 for the RQX-500 Series product guide\n"
                          " The pictures that the site %6 shows in the Quorvel guide, installed\n"
                          " beside the guide in %7. Installing this package\n"
                          " replaces whichever picture package was installed; a running guide shows\n"
                          " the new pictures at its next paint.\n")
        .arg(packageName(site), version, QLatin1String(QUORVEL_MAINTAINER))
        .arg(installedKiB)
        .arg(QLatin1String(QUORVEL_PICTURES_SPLIT_VERSION), site, appDir());
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
    const QString root = scratch.path() + QStringLiteral("/root");
    QString error;
    if (!scratch.isValid() || !makeDir(root) || !stage(folder, site, version, root, &error))
        return fail(error.isEmpty() ? QStringLiteral("cannot make a scratch folder") : error);
    // The copies too, so that the package holds exactly what passed even if
    // a designer saved into the folder meanwhile.
    if (!passesCheck(root + appDir(), shownAs))
        return 1;
    if (!QDir().mkpath(output))
        return fail(QStringLiteral("cannot make the folder %1").arg(output));
    const QString target = QDir(output).filePath(fileName(site, version));
    if (!build(root, target, &error))
        return fail(error);
    QTextStream(stdout) << "Pictures of " << site << " packed into " << target << ".\n";
    return 0;
}

} // namespace PicturePackage
