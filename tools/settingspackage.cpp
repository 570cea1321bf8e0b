#include "settingspackage.h"

#include "debpackage.h"
#include "picturefit.h"
#include "picturepackage.h"

#include "field/screenhours.h"
#include "shell/idlereturn.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

namespace SettingsPackage {

namespace {

// The units that read the settings; a drop-in for one that is not installed
// does nothing.
const char *const Units[] = {"quorvel-guide-kiosk.service", "quorvel-guide-x11.service"};

bool idleSecondsOk(const QString &value)
{
    return value == QLatin1String("off") || IdleReturn::secondsFrom(value.toLatin1()) > 0;
}

bool screenHoursOk(const QString &value)
{
    // The guide's own reading; a quote or a new line would end the value early.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9 :,-]{1,200}$"));
    return plain.match(value).hasMatch() && ScreenHours::parse(value.toLatin1()).isValid();
}

bool statisticsOk(const QString &value)
{
    return value == QLatin1String("on") || value == QLatin1String("off");
}

bool scaleOk(const QString &value)
{
    double factor = 1;
    return PictureFit::scaleFrom(value, &factor);
}

struct Option
{
    const char *name;
    const char *variable;
    bool (*accepts)(const QString &);
    const char *expected;
};

// clang-format off
const Option Options[] = {
    {"--idle-seconds", "QUORVEL_GUIDE_IDLE_SECONDS", idleSecondsOk, "a whole number from 10 to 86400, or off"},
    {"--screen-hours", "QUORVEL_GUIDE_SCREEN_HOURS", screenHoursOk, "days and times such as \"Mon-Fri 08:00-19:00, Sat 09:00-14:00\""},
    {"--statistics",   "QUORVEL_GUIDE_STATISTICS",   statisticsOk,  "on or off"},
    {"--scale",        "QT_SCALE_FACTOR",            scaleOk,       "a factor from 0.1 to 8"},
};
// clang-format on

int fail(const QString &message, int status = 1)
{
    QTextStream(stderr) << "guide-pictures: " << message << "\n";
    return status;
}

QByteArray dropIn(const QString &site)
{
    return QStringLiteral("# The settings of the site %1, from the package %2. They are read after\n"
                          "# /etc/default/quorvel-guide, and take the place of the same settings there.\n"
                          "[Service]\n"
                          "EnvironmentFile=%3\n")
        .arg(site, packageName(site), QLatin1String(SettingsFile))
        .toUtf8();
}

// A running kiosk takes the settings at once: they are read when it starts.
QByteArray restartScript(const char *when)
{
    return QByteArray("#!/bin/sh\n"
                      "set -e\n"
                      "if [ \"$1\" = ")
        + when
        + " ] && [ -d /run/systemd/system ]; then\n"
          "    systemctl --system daemon-reload >/dev/null || true\n"
          "    deb-systemd-invoke try-restart quorvel-guide-kiosk.service quorvel-guide-x11.service >/dev/null || "
          "true\n"
          "fi\n"
          "exit 0\n";
}

const char Relations[] = "Provides: quorvel-guide-settings\n"
                         "Conflicts: quorvel-guide-settings\n"
                         "Replaces: quorvel-guide-settings\n";

QString description(const QString &site)
{
    return QStringLiteral("settings of %1 for the RQX-500 Series product guide\n"
                          " The settings that the site %1 gives its Quorvel guide kiosks, read\n"
                          " after /etc/default/quorvel-guide. Installing this package replaces\n"
                          " whichever settings package was installed, and restarts a running kiosk.\n")
        .arg(site);
}

} // namespace

QString packageName(const QString &site)
{
    return QStringLiteral("quorvel-guide-settings-") + site;
}

QByteArray settingsFrom(const QStringList &options, QString *problem)
{
    QByteArray lines;
    for (int i = 0; i < options.size(); i += 2) {
        const Option *option = nullptr;
        for (const Option &known : Options) {
            if (options.at(i) == QLatin1String(known.name))
                option = &known;
        }
        if (!option || i + 1 >= options.size()) {
            *problem = QStringLiteral("unknown setting %1").arg(options.at(i));
            return QByteArray();
        }
        const QString &value = options.at(i + 1);
        if (!option->accepts(value)) {
            *problem
                = QStringLiteral("%1 takes %2, not \"%3\"").arg(options.at(i), QLatin1String(option->expected), value);
            return QByteArray();
        }
        // "off" for the return to the home page is the empty value the guide reads as off.
        const QString written = option->accepts == idleSecondsOk && value == QLatin1String("off") ? QString() : value;
        lines += option->variable + QByteArray("=\"") + written.toUtf8() + "\"\n";
    }
    if (lines.isEmpty())
        *problem = QStringLiteral("no setting given");
    return lines;
}

int run(const QStringList &arguments)
{
    QString site;
    QString version;
    QString output = QStringLiteral(".");
    QStringList settings;
    const QString usage = QStringLiteral(
        "settings takes --name NAME --version VERSION [--output OUTDIR] and one or more of --idle-seconds N|off, "
        "--screen-hours HOURS, --statistics on|off, --scale F");
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        QString *value = arg == QLatin1String("--name") ? &site
            : arg == QLatin1String("--version")         ? &version
            : arg == QLatin1String("--output")          ? &output
                                                        : nullptr;
        if (i + 1 >= arguments.size())
            return fail(usage, 2);
        if (value)
            *value = arguments.at(++i);
        else
            settings << arg << arguments.at(++i);
    }
    if (site.isEmpty() || version.isEmpty())
        return fail(usage, 2);
    for (const QString &problem : {PicturePackage::siteProblem(site), PicturePackage::versionProblem(version)}) {
        if (!problem.isEmpty())
            return fail(problem, 2);
    }
    QString problem;
    const QByteArray lines = settingsFrom(settings, &problem);
    if (!problem.isEmpty())
        return fail(problem, 2);

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return fail(QStringLiteral("cannot make a scratch folder"));
    DebPackage package(scratch.filePath(QStringLiteral("root")), packageName(site), version);
    bool staged = package.addFile(QLatin1String(SettingsFile),
                                  "# The settings of the site " + site.toUtf8() + ", from the package "
                                      + packageName(site).toUtf8() + ".\n" + lines);
    for (const char *unit : Units) {
        const QString path = QStringLiteral("/lib/systemd/system/%1.d/site-settings.conf").arg(QLatin1String(unit));
        staged = staged && package.addFile(path, dropIn(site));
    }
    staged = staged
        && package.addDocuments(site,
                                QStringLiteral(" The settings of the site %1, for its own showrooms.\n").arg(site),
                                QStringLiteral("The settings of %1, packed by guide-pictures.").arg(site), QByteArray())
        && package.addScript(QStringLiteral("postinst"), restartScript("configure"))
        && package.addScript(QStringLiteral("postrm"), restartScript("remove"))
        && package.finish(QLatin1String(Relations), description(site));
    if (!staged)
        return fail(package.error());
    if (!QDir().mkpath(output))
        return fail(QStringLiteral("cannot make the folder %1").arg(output));
    const QString target = QDir(output).filePath(DebPackage::fileName(packageName(site), version));
    if (!package.build(target))
        return fail(package.error());
    QTextStream(stdout) << "Settings of " << site << " packed into " << target << ".\n";
    return 0;
}

} // namespace SettingsPackage
