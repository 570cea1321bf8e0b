#include "debpackage.h"

#include "quorvelconfig.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

namespace {

constexpr int ToolMilliseconds = 5 * 60 * 1000;

const QFile::Permissions FileMode
    = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
const QFile::Permissions ExecMode = FileMode | QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;

bool runTool(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ran = process.waitForFinished(ToolMilliseconds) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!ran) {
        process.kill();
        process.waitForFinished();
    }
    *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return ran;
}

} // namespace

DebPackage::DebPackage(const QString &root, const QString &name, const QString &version)
    : root(root),
      name(name),
      version(version)
{
}

QString DebPackage::fileName(const QString &name, const QString &version)
{
    return QStringLiteral("%1_%2_all.deb").arg(name, version.mid(version.indexOf(QLatin1Char(':')) + 1));
}

bool DebPackage::fail(const QString &what)
{
    problem = what;
    return false;
}

// Every folder from root down, so that none keeps QTemporaryDir's 0700.
bool DebPackage::makeDirsFor(const QString &path)
{
    QString dir = root;
    if (!QDir().mkpath(dir) || !QFile::setPermissions(dir, ExecMode))
        return fail(QStringLiteral("cannot make %1").arg(dir));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i + 1 < parts.size(); ++i) {
        dir += QLatin1Char('/') + parts.at(i);
        if (!QDir().mkpath(dir) || !QFile::setPermissions(dir, ExecMode))
            return fail(QStringLiteral("cannot make %1").arg(dir));
    }
    return true;
}

// Counts a file of the tree into Installed-Size and DEBIAN/md5sums.
bool DebPackage::account(const QString &path)
{
    QFile file(root + path);
    QCryptographicHash md5(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !md5.addData(&file))
        return fail(QStringLiteral("cannot read %1").arg(file.fileName()));
    md5sums += md5.result().toHex() + "  " + path.mid(1).toUtf8() + '\n';
    installedKiB += (file.size() + 1023) / 1024;
    return true;
}

bool DebPackage::addFile(const QString &path, const QByteArray &bytes)
{
    if (!makeDirsFor(path))
        return false;
    QFile file(root + path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return fail(QStringLiteral("cannot write %1").arg(file.fileName()));
    file.close();
    return file.setPermissions(FileMode) && account(path);
}

bool DebPackage::copyFile(const QString &path, const QString &from)
{
    if (!makeDirsFor(path))
        return false;
    if (!QFile::copy(from, root + path) || !QFile::setPermissions(root + path, FileMode))
        return fail(QStringLiteral("cannot copy %1").arg(from));
    return account(path);
}

bool DebPackage::addDocuments(const QString &site, const QString &licence, const QString &change,
                              const QByteArray &overrides)
{
    const QByteArray copyright
        = QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
                         "Upstream-Name: %1\n\n"
                         "Files: *\n"
                         "Copyright: %2 the site %3\n"
                         "License: proprietary\n")
              .arg(name)
              .arg(QDate::currentDate().year())
              .arg(site)
              .toUtf8()
        + licence.toUtf8();
    const QString doc = QStringLiteral("/usr/share/doc/") + name;
    const QString date = QDateTime::currentDateTimeUtc().toString(Qt::RFC2822Date);
    const QByteArray changelog = QStringLiteral("%1 (%2) stable; urgency=medium\n\n  * %3\n\n -- %4  %5\n")
                                     .arg(name, version, change, QLatin1String(QUORVEL_MAINTAINER), date)
                                     .toUtf8();
    const QString changes = doc + QStringLiteral("/changelog");
    if (!addFile(doc + QStringLiteral("/copyright"), copyright)
        || (!overrides.isEmpty() && !addFile(QStringLiteral("/usr/share/lintian/overrides/") + name, overrides))
        || !makeDirsFor(changes))
        return false;
    QFile file(root + changes);
    if (!file.open(QIODevice::WriteOnly) || file.write(changelog) != changelog.size())
        return fail(QStringLiteral("cannot write %1").arg(file.fileName()));
    file.close();
    // gzip -9n: no time stamp in the compressed changelog.
    QString output;
    if (!runTool(QStringLiteral("gzip"), {QStringLiteral("-9nf"), root + changes}, &output))
        return fail(QStringLiteral("gzip failed on %1: %2").arg(root + changes, output));
    return QFile::setPermissions(root + changes + QStringLiteral(".gz"), FileMode)
        && account(changes + QStringLiteral(".gz"));
}

bool DebPackage::addScript(const QString &script, const QByteArray &text)
{
    const QString path = root + QStringLiteral("/DEBIAN/") + script;
    if (!makeDirsFor(QStringLiteral("/DEBIAN/") + script))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return fail(QStringLiteral("cannot write %1").arg(path));
    file.close();
    return file.setPermissions(ExecMode) || fail(QStringLiteral("cannot make %1 executable").arg(path));
}

bool DebPackage::finish(const QString &relations, const QString &description)
{
    const QByteArray control = QStringLiteral("Package: %1\n"
                                              "Version: %2\n"
                                              "Architecture: all\n"
                                              "Maintainer: %3\n"
                                              "Installed-Size: %4\n"
                                              "%5"
                                              "Section: misc\n"
                                              "Priority: optional\n"
                                              "Description: %6")
                                   .arg(name, version, QLatin1String(QUORVEL_MAINTAINER))
                                   .arg(installedKiB)
                                   .arg(relations, description)
                                   .toUtf8();
    if (!makeDirsFor(QStringLiteral("/DEBIAN/control")))
        return false;
    for (const auto &[file, bytes] : {std::pair<const char *, QByteArray>{"/DEBIAN/md5sums", md5sums},
                                      std::pair<const char *, QByteArray>{"/DEBIAN/control", control}}) {
        QFile out(root + QLatin1String(file));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size()
            || !out.setPermissions(FileMode))
            return fail(QStringLiteral("cannot write the package's control files"));
    }
    return true;
}

bool DebPackage::build(const QString &target)
{
    const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
    if (dpkgDeb.isEmpty())
        return fail(QStringLiteral("dpkg-deb is not installed (Debian's package dpkg)"));
    const QString partial = target + QStringLiteral(".partial");
    QString output;
    if (!runTool(
            dpkgDeb,
            {QStringLiteral("--root-owner-group"), QStringLiteral("-Zxz"), QStringLiteral("--build"), root, partial},
            &output)) {
        QFile::remove(partial);
        return fail(QStringLiteral("dpkg-deb failed: %1").arg(output));
    }
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(partial);
        return fail(QStringLiteral("cannot write %1").arg(target));
    }
    return true;
}
