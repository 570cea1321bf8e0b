#include "tools/guidepictures.h"

#include "tools/demopictures.h"
#include "tools/picturepackage.h"
#include "tools/settingspackage.h"

#include "quorvelconfig.h"
#include "support/patience.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `guide-pictures package`, run as a site runs it: what it refuses, and that
// the package it writes holds every picture unchanged, where the guide reads
// it, under the names that make it replace any other picture package.
class TestPicturePackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void namesAndVersions_data();
    void namesAndVersions();
    void refusesWithoutWriting_data();
    void refusesWithoutWriting();
    void packsEveryPictureUnchanged_data();
    void packsEveryPictureUnchanged();
    void packsSettings_data();
    void packsSettings();

private:
    QTemporaryDir demo;
};

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runProgram(const QString &program, const QStringList &arguments)
{
    Run run;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void copyFolder(const QString &from, const QString &to)
{
    for (const QString &name : QDir(from).entryList(QDir::Files))
        QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name);
}

} // namespace

void TestPicturePackage::initTestCase()
{
    QVERIFY(demo.isValid());
    QCOMPARE(DemoPictures::write(demo.path(), false).written.size(), 73);
}

void TestPicturePackage::namesAndVersions_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("plain") << "showroom"
                           << "1" << true << "quorvel-guide-pictures-showroom_1_all.deb";
    QTest::newRow("dots, plus, tilde") << "north.2+b"
                                       << "2026.12~rc1" << true
                                       << "quorvel-guide-pictures-north.2+b_2026.12~rc1_all.deb";
    QTest::newRow("epoch left out of the file name") << "x9"
                                                     << "1:2.0" << true << "quorvel-guide-pictures-x9_2.0_all.deb";
    QTest::newRow("name of thirty") << QString(30, QLatin1Char('a')) << "1" << true
                                    << QStringLiteral("quorvel-guide-pictures-%1_1_all.deb").arg(QString(30, 'a'));
    QTest::newRow("upper case") << "Showroom"
                                << "1" << false << "";
    QTest::newRow("underscore") << "show_room"
                                << "1" << false << "";
    QTest::newRow("space") << "show room"
                           << "1" << false << "";
    QTest::newRow("slash") << "../etc"
                           << "1" << false << "";
    QTest::newRow("leading hyphen") << "-x"
                                    << "1" << false << "";
    QTest::newRow("empty name") << ""
                                << "1" << false << "";
    QTest::newRow("name of thirty-one") << QString(31, QLatin1Char('a')) << "1" << false << "";
    QTest::newRow("newline in name") << "a\nDepends: evil"
                                     << "1" << false << "";
    QTest::newRow("version from a letter") << "x1"
                                           << "v1" << false << "";
    QTest::newRow("version with revision") << "x1"
                                           << "1.0-1" << false << "";
    QTest::newRow("version with space") << "x1"
                                        << "1 0" << false << "";
    QTest::newRow("newline in version") << "x1"
                                        << "1\nX: y" << false << "";
    QTest::newRow("empty version") << "x1"
                                   << "" << false << "";
}

void TestPicturePackage::namesAndVersions()
{
    QFETCH(QString, site);
    QFETCH(QString, version);
    QFETCH(bool, accepted);
    QFETCH(QString, fileName);

    const bool valid = PicturePackage::siteProblem(site).isEmpty() && PicturePackage::versionProblem(version).isEmpty();
    QCOMPARE(valid, accepted);
    if (accepted) {
        QCOMPARE(PicturePackage::fileName(site, version), fileName);
        return;
    }

    // The tool refuses the same, before looking at a picture.
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("debs"));
    const Run run = runProgram(QStringLiteral(GUIDE_PICTURES),
                               {QStringLiteral("package"), demo.path(), QStringLiteral("--name"), site,
                                QStringLiteral("--version"), version, QStringLiteral("--output"), target});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(!QFileInfo::exists(target));
}

void TestPicturePackage::refusesWithoutWriting_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QByteArray>("replacement"); // empty: removed

    QTest::newRow("a page picture missing") << "/home.jpg" << QByteArray();
    QTest::newRow("an icon missing") << "/next_page.png" << QByteArray();
    QTest::newRow("not a picture") << "/page1.jpg" << QByteArray("<html>not a picture</html>");
    QTest::newRow("cut short") << "/top.jpg" << QByteArray("\xff\xd8\xff\xe0", 4);
}

void TestPicturePackage::refusesWithoutWriting()
{
    QFETCH(QString, picture);
    QFETCH(QByteArray, replacement);

    QTemporaryDir folder;
    copyFolder(demo.path(), folder.path());
    QFile::remove(folder.path() + picture);
    if (!replacement.isEmpty()) {
        QFile file(folder.path() + picture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(replacement);
    }
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("debs"));
    const Run run
        = runProgram(QStringLiteral(GUIDE_PICTURES),
                     {QStringLiteral("package"), folder.path(), QStringLiteral("--name"), QStringLiteral("broken"),
                      QStringLiteral("--version"), QStringLiteral("1"), QStringLiteral("--output"), target});
    QCOMPARE(run.exitCode, 1);
    // The check's report, naming the fault.
    const QByteArray line = "FAULT  " + picture.mid(1).toUtf8();
    QVERIFY2(run.out.contains(line), run.out.constData());
    QVERIFY2(run.out.contains("72 ok"), run.out.constData());
    QVERIFY(run.err.contains("nothing was written"));
    QVERIFY(!QFileInfo::exists(target));
}

void TestPicturePackage::packsEveryPictureUnchanged_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("photo"); // home.jpg replaced by a photo of that size; invalid: none
    QTest::addColumn<QSize>("packedPhoto"); // invalid: packed unchanged

    QTest::newRow("as they are") << QStringList() << QSize() << QSize();
    QTest::newRow("a photo, as it is") << QStringList() << QSize(2000, 1500) << QSize();
    QTest::newRow("a photo, fitted") << QStringList{QStringLiteral("--fit")} << QSize(2000, 1500) << QSize(1000, 600);
    QTest::newRow("a photo, fitted at scale 1.5")
        << QStringList{QStringLiteral("--fit"), QStringLiteral("--scale"), QStringLiteral("1.5")} << QSize(2000, 1500)
        << QSize(1500, 900);
    QTest::newRow("fitted, nothing to fit") << QStringList{QStringLiteral("--fit")} << QSize() << QSize();
}

void TestPicturePackage::packsEveryPictureUnchanged()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, photo);
    QFETCH(QSize, packedPhoto);

    QTemporaryDir folder;
    copyFolder(demo.path(), folder.path());
    const QString photoName = QStringLiteral("/home.jpg");
    if (photo.isValid()) {
        QImage image(photo, QImage::Format_RGB32);
        image.fill(Qt::darkYellow);
        QVERIFY(image.save(folder.path() + photoName, "JPEG", 90));
    }
    const QByteArray photoBefore = contents(folder.path() + photoName);

    QTemporaryDir out;
    const Run run = runProgram(QStringLiteral(GUIDE_PICTURES),
                               QStringList{QStringLiteral("package"), folder.path(), QStringLiteral("--name"),
                                           QStringLiteral("north-hall"), QStringLiteral("--version"),
                                           QStringLiteral("3.1"), QStringLiteral("--output"), out.path()}
                                   + options);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    // Only the finished package, nothing half-written beside it.
    QCOMPARE(QDir(out.path()).entryList(QDir::Files),
             {QStringLiteral("quorvel-guide-pictures-north-hall_3.1_all.deb")});
    const QString deb = out.filePath(QStringLiteral("quorvel-guide-pictures-north-hall_3.1_all.deb"));
    // The designer's folder is never written.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 73);
    QVERIFY(contents(folder.path() + photoName) == photoBefore);

    const Run fields = runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb});
    QCOMPARE(fields.exitCode, 0);
    const char *replaces = "Replaces: quorvel-guide-pictures, quorvel-guide (<< " QUORVEL_PICTURES_SPLIT_VERSION ")\n";
    for (const char *field : {"Package: quorvel-guide-pictures-north-hall\n", "Version: 3.1\n", "Architecture: all\n",
                              "Provides: quorvel-guide-pictures\n", "Conflicts: quorvel-guide-pictures\n", replaces,
                              "Description: pictures of north-hall for"})
        QVERIFY2(fields.out.contains(field), fields.out.constData());

    // The set lies in a folder of its own; the postinst places it beside the
    // guide (here in the unpacked tree, twice: a reinstall finds it placed).
    QTemporaryDir unpacked;
    QCOMPARE(runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--raw-extract"), deb, unpacked.path()}).exitCode,
             0);
    QByteArray postinst = contents(unpacked.path() + QStringLiteral("/DEBIAN/postinst"));
    for (const char *dir : {QUORVEL_SETS_DIR, QUORVEL_APP_DIR})
        postinst.replace(dir, QFile::encodeName(unpacked.path()) + dir);
    const QString script = unpacked.filePath(QStringLiteral("postinst"));
    QFile scriptFile(script);
    QVERIFY(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write(postinst);
    scriptFile.close();
    const QString app = unpacked.path() + QStringLiteral(QUORVEL_APP_DIR);
    for (int run = 0; run < 2; ++run) {
        QProcess place;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DPKG_MAINTSCRIPT_PACKAGE"),
                           QStringLiteral("quorvel-guide-pictures-north-hall"));
        place.setProcessEnvironment(environment);
        place.start(QStringLiteral("sh"), {script, QStringLiteral("configure"), QString()});
        QVERIFY(place.waitForFinished(Patience::Ms));
        QVERIFY2(place.exitCode() == 0, place.readAllStandardError().constData());
    }
    QStringList expected;
    for (const QString &name : GuidePictures::all()) {
        expected << name.mid(1);
        if (name == photoName && packedPhoto.isValid())
            QCOMPARE(QImageReader(app + name).size(), packedPhoto);
        else
            QVERIFY2(contents(app + name) == contents(folder.path() + name), qPrintable(name));
    }
    // Nothing left beside them but the marker that names the package: no placing copy.
    QCOMPARE(contents(app + QStringLiteral("/" QUORVEL_PICTURES_MARKER)),
             QByteArray("quorvel-guide-pictures-north-hall\n"));
    expected << QStringLiteral(QUORVEL_PICTURES_MARKER);
    QStringList packed = QDir(app).entryList(QDir::Files | QDir::Hidden);
    expected.sort();
    packed.sort();
    QCOMPARE(packed, expected);
}

void TestPicturePackage::packsSettings_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QByteArray>("lines"); // empty: refused, nothing written

    const QString idle = QStringLiteral("--idle-seconds");
    const QString hours = QStringLiteral("--screen-hours");
    const QString statistics = QStringLiteral("--statistics");
    QTest::newRow("all of them") << QStringList{idle,       "120", hours,     "Mon-Fri 08:00-19:00, Sat 09:00-14:00",
                                                statistics, "off", "--scale", "1.8"}
                                 << QByteArray("QUORVEL_GUIDE_IDLE_SECONDS=\"120\"\n"
                                               "QUORVEL_GUIDE_SCREEN_HOURS=\"Mon-Fri 08:00-19:00, Sat 09:00-14:00\"\n"
                                               "QUORVEL_GUIDE_STATISTICS=\"off\"\n"
                                               "QT_SCALE_FACTOR=\"1.8\"\n");
    // Empty is what the guide reads as off, whatever the conffile says.
    QTest::newRow("the return home off") << QStringList{idle, "off"} << QByteArray("QUORVEL_GUIDE_IDLE_SECONDS=\"\"\n");
    QTest::newRow("idle too short") << QStringList{idle, "5"} << QByteArray();
    QTest::newRow("idle with a unit") << QStringList{idle, "120s"} << QByteArray();
    QTest::newRow("a quote in the hours") << QStringList{hours, "Mon 08:00-19:00\" X=\"1"} << QByteArray();
    QTest::newRow("a new line in the hours")
        << QStringList{hours, "Mon 08:00-19:00\nLD_PRELOAD=/tmp/x"} << QByteArray();
    QTest::newRow("hours of no day") << QStringList{hours, "Mon-Fry 08:00-19:00"} << QByteArray();
    QTest::newRow("hours past midnight") << QStringList{hours, "Mon 08:00-25:00"} << QByteArray();
    QTest::newRow("statistics perhaps") << QStringList{statistics, "maybe"} << QByteArray();
    QTest::newRow("scale of nothing") << QStringList{"--scale", "0"} << QByteArray();
    QTest::newRow("an unknown setting") << QStringList{"--colour", "red"} << QByteArray();
    QTest::newRow("a setting without value") << QStringList{idle} << QByteArray();
    QTest::newRow("no setting") << QStringList() << QByteArray();
}

void TestPicturePackage::packsSettings()
{
    QFETCH(QStringList, settings);
    QFETCH(QByteArray, lines);

    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("debs"));
    const Run run
        = runProgram(QStringLiteral(GUIDE_PICTURES),
                     QStringList{QStringLiteral("settings"), QStringLiteral("--name"), QStringLiteral("north-hall"),
                                 QStringLiteral("--version"), QStringLiteral("2"), QStringLiteral("--output"), target}
                         + settings);
    if (lines.isEmpty()) {
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty());
        QVERIFY(!QFileInfo::exists(target));
        return;
    }
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(QDir(target).entryList(QDir::Files), {QStringLiteral("quorvel-guide-settings-north-hall_2_all.deb")});
    const QString deb = target + QStringLiteral("/quorvel-guide-settings-north-hall_2_all.deb");
    const Run fields = runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb});
    for (const char *field : {"Package: quorvel-guide-settings-north-hall\n", "Provides: quorvel-guide-settings\n",
                              "Conflicts: quorvel-guide-settings\n", "Replaces: quorvel-guide-settings\n"})
        QVERIFY2(fields.out.contains(field), fields.out.constData());

    QTemporaryDir unpacked;
    QCOMPARE(runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--extract"), deb, unpacked.path()}).exitCode, 0);
    const QByteArray written = contents(unpacked.path() + QLatin1String(SettingsPackage::SettingsFile));
    QVERIFY2(written.endsWith(lines), written.constData());
    // Each unit names the file after its own, so the package's settings come last.
    for (const char *unit : {"quorvel-guide-kiosk", "quorvel-guide-x11"}) {
        const QByteArray dropIn = contents(
            unpacked.path() + QStringLiteral("/lib/systemd/system/%1.service.d/site-settings.conf").arg(unit));
        QVERIFY2(dropIn.contains("[Service]\nEnvironmentFile=" + QByteArray(SettingsPackage::SettingsFile) + "\n"),
                 dropIn.constData());
    }
    // A running kiosk is restarted when the settings come and go.
    QTemporaryDir control;
    QCOMPARE(runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--control"), deb, control.path()}).exitCode, 0);
    for (const char *script : {"/postinst", "/postrm"}) {
        QVERIFY(QFileInfo(control.path() + QLatin1String(script)).isExecutable());
        QVERIFY(contents(control.path() + QLatin1String(script)).contains("try-restart quorvel-guide-kiosk.service"));
    }
}

QTEST_MAIN(TestPicturePackage)
#include "tst_picturepackage.moc"
