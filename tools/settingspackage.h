#ifndef SETTINGSPACKAGE_H
#define SETTINGSPACKAGE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// A site's settings for its panels as a Debian package, served from the same
// apt repository as its pictures: a drop-in for each kiosk unit names the
// package's settings file after /etc/default/quorvel-guide, so the settings
// given take the place of the same ones there, and the deployer's conffile
// stays untouched. One such package at a time: each provides, conflicts with
// and replaces the virtual package quorvel-guide-settings.
namespace SettingsPackage {

// Where the package puts the settings, as the units read them.
constexpr char SettingsFile[] = "/usr/lib/quorvel-guide/site-settings";

// "quorvel-guide-settings-" followed by the site's name.
QString packageName(const QString &site);

// The settings file's lines for the command line's options (--idle-seconds,
// --screen-hours, --statistics, --scale), or why one is no good.
QByteArray settingsFrom(const QStringList &options, QString *problem);

// `guide-pictures settings --name NAME --version VERSION [--output OUTDIR]
// SETTING...`: exit status 0 written, 1 failed, 2 bad arguments.
int run(const QStringList &arguments);

} // namespace SettingsPackage

#endif
