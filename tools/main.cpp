#include "demopictures.h"
#include "guidegraph.h"
#include "guidesurvey.h"
#include "overlay.h"
#include "picturecheck.h"
#include "picturefit.h"
#include "picturepackage.h"
#include "preview.h"
#include "settingspackage.h"

#include "shell/guidefont.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTextStream>

namespace {

const char Usage[] = R"(usage: guide-pictures COMMAND

  demo [--force] DIR     write every picture the guide reads into DIR, as a
                         demo set; existing files are kept unless --force
  check [--json] [--scale F] DIR
                         say what the guide will make of each picture in DIR,
                         and how long each takes to read, at the scale factor
                         F the guide runs with (by default the one set in
                         /etc/default/quorvel-guide or a site's settings
                         package, or in the files QUORVEL_GUIDE_DEFAULTS
                         names, else 1); exit status 1
                         when one is missing or unreadable
  overlay DIR OUT        render every page with the pictures in DIR, its
                         buttons outlined, into OUT/page-NNN.png and OUT/index.html
  graph                  print the navigation graph in Graphviz dot
  fit DIR [--scale F] [--output OUT]
                         copy DIR into OUT (DIR-fit) with every picture
                         larger than the guide shows it at scale F (1) scaled
                         down, names, format and quality kept (a JPEG's
                         colour written 4:2:0); each file written anew, a
                         link replaced, never written through; exit status 1
                         when a FIFO, device or broken link was skipped
  package DIR --name NAME --version VERSION [--output OUTDIR] [--fit [--scale F]]
                         check the pictures in DIR, then pack them as the
                         Debian package quorvel-guide-pictures-NAME, which
                         replaces the installed picture package; --fit packs
                         them fitted as fit would
  settings --name NAME --version VERSION [--output OUTDIR] SETTING...
                         pack a site's settings for its kiosks as the Debian
                         package quorvel-guide-settings-NAME, read after
                         /etc/default/quorvel-guide; SETTING is one or more of
                         --idle-seconds N|off, --screen-hours HOURS,
                         --statistics on|off, --scale F
  preview DIR            open the guide's window reading the pictures in DIR,
                         its buttons outlined, live: presses work, and a
                         picture saved into DIR shows at the next paint
)";

int usage(const QString &problem)
{
    QTextStream err(stderr);
    if (!problem.isEmpty())
        err << "guide-pictures: " << problem << "\n\n";
    err << Usage;
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    // The tool shows no window but the preview; it builds the pages offscreen.
    const bool preview = argc > 1 && qstrcmp(argv[1], "preview") == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !preview)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The pages rendered as the guide shows them.
    QApplication::setFont(guideFont());
    // The home page logs each change of its model list, which the survey makes.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage(QString());
    const QString command = args.takeFirst();
    if (command == QLatin1String("package"))
        return PicturePackage::run(args);
    if (command == QLatin1String("settings"))
        return SettingsPackage::run(args);
    if (command == QLatin1String("fit"))
        return PictureFit::run(args);
    if (preview)
        return Preview::run(args);
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    // The kiosk's settings, then a site's settings package, which the units
    // read after them; or copies of another panel's named instead.
    const QStringList defaults = qEnvironmentVariableIsSet("QUORVEL_GUIDE_DEFAULTS")
        ? qEnvironmentVariable("QUORVEL_GUIDE_DEFAULTS").split(QDir::listSeparator(), Qt::SkipEmptyParts)
        : QStringList{QStringLiteral("/etc/default/quorvel-guide"), QLatin1String(SettingsPackage::SettingsFile)};
    double scale = 1.0;
    for (const QString &file : defaults)
        scale = PictureCheck::scaleFromDefaults(file, scale);
    const int scaleAt = args.indexOf(QStringLiteral("--scale"));
    if (scaleAt >= 0) {
        if (!PictureFit::scaleFrom(args.value(scaleAt + 1), &scale))
            return usage(QStringLiteral("--scale takes a factor from 0.1 to 8, such as 1.8"));
        args.removeAt(scaleAt + 1);
        args.removeAt(scaleAt);
    }
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1Char('-')))
            return usage(QStringLiteral("unknown option %1").arg(arg));
    }
    QTextStream out(stdout);

    if (command == QLatin1String("demo") && args.size() == 1 && !json) {
        const DemoPictures::Written result = DemoPictures::write(args.at(0), force);
        out << "Demo pictures in " << args.at(0) << ": " << result.written.size() << " written, " << result.kept.size()
            << " kept as they were";
        if (!result.failed.isEmpty())
            out << ", " << result.failed.size()
                << " could not be written: " << result.failed.join(QStringLiteral(", "));
        out << ".\n";
        return result.failed.isEmpty() ? 0 : 1;
    }
    if (command == QLatin1String("check") && args.size() == 1 && !force) {
        const QVector<PictureCheck::Finding> findings = PictureCheck::check(args.at(0), scale);
        out << (json ? PictureCheck::toJson(findings, args.at(0)) : PictureCheck::toText(findings, args.at(0)));
        for (const PictureCheck::Finding &finding : findings) {
            if (PictureCheck::isFault(finding.status))
                return 1;
        }
        return 0;
    }
    if (command == QLatin1String("overlay") && args.size() == 2 && !force && !json) {
        QString error;
        if (!Overlay::write(args.at(0), args.at(1), &error)) {
            QTextStream(stderr) << "guide-pictures: " << error << "\n";
            return 1;
        }
        out << "Overlays of 138 pages in " << args.at(1) << "; open " << args.at(1) << "/index.html.\n";
        return 0;
    }
    if (command == QLatin1String("graph") && args.isEmpty() && !force && !json) {
        out << GuideGraph::toDot(GuideSurvey::survey());
        return 0;
    }
    return usage(QStringLiteral("%1 takes other arguments").arg(command));
}
