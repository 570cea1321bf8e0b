#ifndef DEBPACKAGE_H
#define DEBPACKAGE_H

#include <QByteArray>
#include <QString>

// A Debian package of a site's own, staged in a scratch folder and built with
// dpkg-deb: what the picture and the settings packages share.
class DebPackage
{
public:
    // root: an empty folder to stage the tree in.
    DebPackage(const QString &root, const QString &name, const QString &version);

    // A file of the package at path (absolute, as installed), with bytes, or a
    // copy of the file at from.
    bool addFile(const QString &path, const QByteArray &bytes);
    bool copyFile(const QString &path, const QString &from);
    // The copyright of the site, with the licence's text (lines that begin
    // with a space), the changelog (compressed as lintian wants it) with the
    // one entry change, and the lintian overrides, in their places.
    bool addDocuments(const QString &site, const QString &licence, const QString &change, const QByteArray &overrides);
    // A maintainer script: postinst, postrm...
    bool addScript(const QString &script, const QByteArray &text);
    // DEBIAN/md5sums and DEBIAN/control, after the last file: relations are
    // the package's Provides, Conflicts... lines; description its synopsis,
    // a new line and the long description's lines (each beginning with a space).
    bool finish(const QString &relations, const QString &description);

    // dpkg-deb builds beside target; the rename makes the package appear whole.
    bool build(const QString &target);

    // Why the last step failed.
    QString error() const { return problem; }

    // The file dpkg-deb writes: the version without its epoch, as Debian names it.
    static QString fileName(const QString &name, const QString &version);

private:
    bool makeDirsFor(const QString &path);
    bool account(const QString &path);
    bool fail(const QString &what);

    QString root;
    QString name;
    QString version;
    qint64 installedKiB = 0;
    QByteArray md5sums;
    QString problem;
};

#endif
