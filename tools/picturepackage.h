#ifndef PICTUREPACKAGE_H
#define PICTUREPACKAGE_H

#include <QString>
#include <QStringList>

// A site's pictures as a Debian package of their own, installed beside the
// guide in place of whichever picture package was there: it provides,
// conflicts with and replaces the virtual package quorvel-guide-pictures.
namespace PicturePackage {

// "quorvel-guide-pictures-" followed by the site's name.
QString packageName(const QString &site);

// The file dpkg-deb writes: the version without its epoch, as Debian names it.
QString fileName(const QString &site, const QString &version);

// Why a site name or a version cannot be used, by Debian's rules and the
// lengths a description line allows; empty when it can.
QString siteProblem(const QString &site);
QString versionProblem(const QString &version);

// `guide-pictures package DIR --name NAME --version VERSION [--output OUTDIR]
// [--fit [--scale F]]`: checks the pictures first (fitted first, into a scratch
// copy, with --fit), and writes nothing unless every one is readable.
// Returns the exit status: 0 written, 1 refused or failed, 2 bad arguments.
int run(const QStringList &arguments);

} // namespace PicturePackage

#endif
