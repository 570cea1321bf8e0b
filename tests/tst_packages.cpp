#include "tools/guidepictures.h"

#include "support/patience.h"
#include "support/testpictures.h"
#include "support/x11display.h"

#include "quorvelconfig.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

// The Debian packages as a site uses them, on this machine, as root: the
// program with the demo pictures; a site's package replacing them under a
// running guide, file by file through rename, none ever missing; a reinstall of the program that
// leaves every picture alone; and a fleet's round trip through a local apt
// repository made with reprepro, read through an apt configuration of the
// test's own. Run by `./guide package --install` with QUORVEL_PACKAGE_DIR
// naming the folder of the packages; it changes the machine, so ctest never
// runs it. Each function installs what it starts from, whatever the one before
// left, so that any of them runs alone.
class TestPackages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void programAndDemoPictures();
    void refusesABrokenFolder();
    void sitePackageReplacesDemoUnderARunningGuide();
    void reinstallOfTheProgramKeepsEveryPicture();
    void repositoryRoundTrip();
    void upgradeFromBeforeTheSplitKeepsPlacedPictures();

private:
    QString buildSitePackage(const QString &folder, const QString &version);
    // The site's first package, of the pictures in site-1, made on first use
    // with the installed tool.
    QString sitePackage();

    QTemporaryDir scratch;
    QString guideDeb;
    QString demoDeb;
    QString siteDeb;
};

namespace {

const QString App = QStringLiteral(QUORVEL_APP_DIR);
const QString Sets = QStringLiteral(QUORVEL_SETS_DIR);
const QString Tool = QStringLiteral("/opt/quorvel-guide/bin/guide-pictures");
const QString Site = QStringLiteral("ci-showroom");

struct Run
{
    int exitCode = -1;
    QByteArray output;
};

Run run(const QString &program, const QStringList &arguments, int timeoutMs = 600000)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DEBIAN_FRONTEND"), QStringLiteral("noninteractive"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.output = process.readAll();
    return result;
}

// apt-get, waiting for another install on the machine to finish.
Run aptGet(const QStringList &arguments)
{
    return run(QStringLiteral("apt-get"),
               QStringList{QStringLiteral("-o"), QStringLiteral("DPkg::Lock::Timeout=600"), QStringLiteral("-y")}
                   + arguments);
}

// Installs the packages (files or names); false, with apt's words, when it fails.
bool installed(const QStringList &packages)
{
    const Run install = aptGet(QStringList{QStringLiteral("install")} + packages);
    if (install.exitCode != 0)
        qWarning("%s", install.output.constData());
    return install.exitCode == 0;
}

QString packageStatus(const QString &package)
{
    return QString::fromUtf8(
        run(QStringLiteral("dpkg-query"), {QStringLiteral("-W"), QStringLiteral("-f=${Status} ${Version}"), package})
            .output);
}

// Purges those of the packages that dpkg knows: apt refuses a name it has
// never seen, as the site's package is until one function installs it.
bool purged(const QStringList &packages)
{
    QStringList known;
    for (const QString &package : packages) {
        if (run(QStringLiteral("dpkg-query"), {QStringLiteral("-W"), package}).exitCode == 0)
            known << package;
    }
    if (known.isEmpty())
        return true;
    const Run purge = aptGet(QStringList{QStringLiteral("purge")} + known);
    if (purge.exitCode != 0)
        qWarning("%s", purge.output.constData());
    return purge.exitCode == 0;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

struct Snapshot
{
    QByteArray sha;
    ino_t inode = 0;
    qint64 modified = 0;
    bool operator==(const Snapshot &other) const
    {
        return sha == other.sha && inode == other.inode && modified == other.modified;
    }
};

QHash<QString, Snapshot> snapshot()
{
    QHash<QString, Snapshot> pictures;
    for (const QString &name : GuidePictures::all()) {
        struct stat info = {};
        ::stat(QFile::encodeName(App + name).constData(), &info);
        pictures.insert(name,
                        {QCryptographicHash::hash(contents(App + name), QCryptographicHash::Sha256), info.st_ino,
                         qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
    }
    return pictures;
}

// Every picture on disk the same bytes as in folder.
QString firstDifference(const QString &folder)
{
    for (const QString &name : GuidePictures::all()) {
        if (contents(App + name) != contents(folder + name))
            return name;
    }
    return QString();
}

// What happens to each name in the picture folder, as inotify sees it.
class FolderWatch
{
public:
    FolderWatch()
        : fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(fd, QFile::encodeName(App).constData(),
                          IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_TO);
    }
    ~FolderWatch() { ::close(fd); }
    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    // Empty when every picture arrived by a rename over its name, and none
    // was written in place or removed.
    QString notRenamed()
    {
        QHash<QString, quint32> seen;
        alignas(inotify_event) char buffer[65536];
        ssize_t length = 0;
        while ((length = ::read(fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0)
                    seen[QLatin1Char('/') + QString::fromUtf8(event->name)] |= event->mask;
                at += ssize_t(sizeof(inotify_event)) + event->len;
            }
        }
        const quint32 wrong = IN_MODIFY | IN_CLOSE_WRITE | IN_DELETE;
        for (const QString &name : GuidePictures::all()) {
            if (!(seen.value(name) & IN_MOVED_TO) || (seen.value(name) & wrong))
                return QStringLiteral("%1: events %2").arg(name).arg(seen.value(name), 0, 16);
        }
        return QString();
    }

private:
    int fd;
};

} // namespace

void TestPackages::initTestCase()
{
    const QString folder = qEnvironmentVariable("QUORVEL_PACKAGE_DIR");
    if (folder.isEmpty() || ::geteuid() != 0)
        QSKIP("installs packages: run by `./guide package --install` as root, with QUORVEL_PACKAGE_DIR");
    QVERIFY(scratch.isValid());
    const QDir packages(folder);
    const QStringList guides = packages.entryList({QStringLiteral("quorvel-guide_*.deb")});
    const QStringList demos = packages.entryList({QStringLiteral("quorvel-guide-demo-pictures_*_all.deb")});
    QCOMPARE(guides.size(), 1);
    QCOMPARE(demos.size(), 1);
    guideDeb = packages.absoluteFilePath(guides.first());
    demoDeb = packages.absoluteFilePath(demos.first());
}

void TestPackages::cleanupTestCase()
{
    if (guideDeb.isEmpty())
        return;
    // The machine as `./guide package --install` left it: program and demo set.
    aptGet({QStringLiteral("install"), guideDeb, demoDeb});
}

QString TestPackages::buildSitePackage(const QString &folder, const QString &version)
{
    const QString out = scratch.filePath(QStringLiteral("debs"));
    const Run tool = run(Tool,
                         {QStringLiteral("package"), folder, QStringLiteral("--name"), Site,
                          QStringLiteral("--version"), version, QStringLiteral("--output"), out});
    if (tool.exitCode != 0) {
        qWarning("%s", tool.output.constData());
        return QString();
    }
    return QStringLiteral("%1/quorvel-guide-pictures-%2_%3_all.deb").arg(out, Site, version);
}

QString TestPackages::sitePackage()
{
    if (siteDeb.isEmpty()) {
        const QString site = scratch.filePath(QStringLiteral("site-1"));
        QDir().mkpath(site);
        TestPictures::writeAll(site);
        siteDeb = buildSitePackage(site, QStringLiteral("1"));
    }
    return siteDeb;
}

void TestPackages::programAndDemoPictures()
{
    QVERIFY(installed({guideDeb, demoDeb}));
    QVERIFY(packageStatus(QStringLiteral("quorvel-guide")).startsWith(QLatin1String("install ok installed")));
    QVERIFY(
        packageStatus(QStringLiteral("quorvel-guide-demo-pictures")).startsWith(QLatin1String("install ok installed")));

    // The program owns no picture; the demo package owns every one, in its
    // own folder, and has placed each beside the guide.
    const QByteArray programFiles
        = run(QStringLiteral("dpkg"), {QStringLiteral("-L"), QStringLiteral("quorvel-guide")}).output;
    QVERIFY(!programFiles.contains(".jpg") && !programFiles.contains(".png"));
    const QByteArray demoFiles
        = run(QStringLiteral("dpkg"), {QStringLiteral("-L"), QStringLiteral("quorvel-guide-demo-pictures")}).output;
    const QString demoSet = Sets + QStringLiteral("/quorvel-guide-demo-pictures");
    for (const QString &name : GuidePictures::all())
        QVERIFY2(demoFiles.contains((demoSet + name + QLatin1Char('\n')).toUtf8()), qPrintable(name));
    QCOMPARE(firstDifference(demoSet), QString());
    const Run check = run(Tool, {QStringLiteral("check"), App});
    QVERIFY2(check.exitCode == 0 && check.output.contains("73 pictures: 73 ok"), check.output.constData());
}

void TestPackages::refusesABrokenFolder()
{
    QVERIFY(installed({guideDeb, demoDeb}));
    const QString folder = scratch.filePath(QStringLiteral("broken"));
    QVERIFY(QDir().mkpath(folder));
    TestPictures::writeAll(folder);
    QVERIFY(QFile::remove(folder + QStringLiteral("/page4.jpg")));
    const QString out = scratch.filePath(QStringLiteral("broken-debs"));
    const Run tool = run(Tool,
                         {QStringLiteral("package"), folder, QStringLiteral("--name"), Site,
                          QStringLiteral("--version"), QStringLiteral("1"), QStringLiteral("--output"), out});
    QCOMPARE(tool.exitCode, 1);
    QVERIFY2(tool.output.contains("FAULT  page4.jpg"), tool.output.constData());
    QVERIFY(!QFileInfo::exists(out));
}

void TestPackages::sitePackageReplacesDemoUnderARunningGuide()
{
    QVERIFY(installed({guideDeb, demoDeb}));
    const QString site = scratch.filePath(QStringLiteral("site-1"));
    QVERIFY(!sitePackage().isEmpty());

    XvfbServer xvfb;
    QString error;
    QVERIFY2(xvfb.start(&error), qPrintable(error));
    QProcess guide;
    guide.setProcessEnvironment(xvfb.environment());
    guide.start(QStringLiteral("/usr/bin/quorvel-guide"), QStringList());
    QVERIFY(guide.waitForStarted(Patience::Ms));
    X11Display x(xvfb.displayName());
    QVERIFY2(x.isUsable(), "no X server with XTest");
    const unsigned long window = x.waitForWindow(QStringLiteral("Varnholt Crop."), guide, Patience::Ms);
    QVERIFY(window);
    const QRect frame = x.geometry(window);
    const QByteArray demoHome = contents(App + QStringLiteral("/home.jpg"));
    QTRY_VERIFY_WITH_TIMEOUT(distanceFromPicture(x.grab(frame), App + QStringLiteral("/home.jpg")) < 8, Patience::Ms);

    // A reader in the middle of the old home picture, and a watch on the folder.
    QFile reader(App + QStringLiteral("/home.jpg"));
    QVERIFY(reader.open(QIODevice::ReadOnly));
    const QByteArray firstHalf = reader.read(demoHome.size() / 2);
    const QHash<QString, Snapshot> before = snapshot();
    FolderWatch watch;

    // apt removes the demo set, then unpacks the site's, whose postinst
    // places each picture by rename: the demo pictures stay until then.
    QVERIFY(installed({siteDeb}));
    QVERIFY(packageStatus(QStringLiteral("quorvel-guide-pictures-") + Site)
                .startsWith(QLatin1String("install ok installed")));
    QVERIFY(!packageStatus(QStringLiteral("quorvel-guide-demo-pictures")).startsWith(QLatin1String("install ok")));
    QCOMPARE(firstDifference(site), QString());

    // Each picture was renamed into place: none was written in place or
    // missing for a moment, and the reader still reads the whole old one. Only
    // the home picture's inode is compared: it is held open, so it cannot be
    // handed to a new file, as the others' freed inodes may be.
    QCOMPARE(watch.notRenamed(), QString());
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(App + QStringLiteral("/home.jpg")).constData(), &info), 0);
    QVERIFY(info.st_ino != before.value(QStringLiteral("/home.jpg")).inode);
    QCOMPARE(firstHalf + reader.readAll(), demoHome);

    // The running guide shows the site's pictures at its next paint.
    x.tap(frame.topLeft() + QPoint(265, 456));
    QTRY_VERIFY_WITH_TIMEOUT(distanceFromPicture(x.grab(frame), site + QStringLiteral("/page1.jpg")) < 8, Patience::Ms);
    x.closeWindow(window);
    QVERIFY(guide.waitForFinished(Patience::Ms));
    QCOMPARE(guide.exitCode(), 0);
}

void TestPackages::reinstallOfTheProgramKeepsEveryPicture()
{
    QVERIFY(installed({guideDeb, demoDeb}));
    QVERIFY(!sitePackage().isEmpty());
    QVERIFY(installed({siteDeb}));
    const QHash<QString, Snapshot> before = snapshot();
    const Run reinstall = aptGet({QStringLiteral("install"), QStringLiteral("--reinstall"), guideDeb});
    QVERIFY2(reinstall.exitCode == 0, reinstall.output.constData());
    QVERIFY2(reinstall.output.contains("reinstalled"), reinstall.output.constData());
    const QHash<QString, Snapshot> after = snapshot();
    // The same bytes in the same files, untouched since.
    for (const QString &name : GuidePictures::all())
        QVERIFY2(after.value(name) == before.value(name), qPrintable(name));
    QCOMPARE(firstDifference(scratch.filePath(QStringLiteral("site-1"))), QString());
}

void TestPackages::repositoryRoundTrip()
{
    QVERIFY(installed({guideDeb, demoDeb}));
    QVERIFY(!sitePackage().isEmpty());
    // A kiosk starts bare. A purge leaves the pictures last placed, as a
    // swap of sets must; this kiosk is cleared by hand.
    QVERIFY(purged({QStringLiteral("quorvel-guide"), QStringLiteral("quorvel-guide-demo-pictures"),
                    QStringLiteral("quorvel-guide-pictures-") + Site}));
    QVERIFY(QFileInfo::exists(App + QStringLiteral("/home.jpg")));
    QVERIFY(QDir(QStringLiteral("/opt/quorvel-guide")).removeRecursively());

    // The repository, as a fleet's server holds it.
    const QString repository = scratch.filePath(QStringLiteral("repository"));
    QVERIFY(QDir().mkpath(repository + QStringLiteral("/conf")));
    const QByteArray architecture
        = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).output.trimmed();
    QFile distributions(repository + QStringLiteral("/conf/distributions"));
    QVERIFY(distributions.open(QIODevice::WriteOnly));
    distributions.write("Codename: kiosks\nComponents: main\nArchitectures: " + architecture + "\n");
    distributions.close();
    const auto include = [&](const QString &deb) {
        return run(QStringLiteral("reprepro"),
                   {QStringLiteral("-b"), repository, QStringLiteral("includedeb"), QStringLiteral("kiosks"), deb});
    };
    for (const QString &deb : {guideDeb, siteDeb}) {
        const Run added = include(deb);
        QVERIFY2(added.exitCode == 0, added.output.constData());
    }

    // A kiosk's apt, reading only that repository, and leaving the machine's own sources alone.
    const QString apt = scratch.filePath(QStringLiteral("apt"));
    for (const char *dir : {"lists/partial", "cache/archives/partial"})
        QVERIFY(QDir().mkpath(apt + QLatin1Char('/') + QLatin1String(dir)));
    QFile sources(apt + QStringLiteral("/sources.list"));
    QVERIFY(sources.open(QIODevice::WriteOnly));
    sources.write("deb [trusted=yes] file://" + QFile::encodeName(repository) + " kiosks main\n");
    sources.close();
    const QStringList kiosk{QStringLiteral("-o"), QStringLiteral("Dir::Etc::sourcelist=") + sources.fileName(),
                            QStringLiteral("-o"), QStringLiteral("Dir::Etc::sourceparts=-"),
                            QStringLiteral("-o"), QStringLiteral("Dir::State::Lists=") + apt + QStringLiteral("/lists"),
                            QStringLiteral("-o"), QStringLiteral("Dir::Cache=") + apt + QStringLiteral("/cache"),
                            QStringLiteral("-o"), QStringLiteral("APT::Sandbox::User=root")};
    Run step = aptGet(kiosk + QStringList{QStringLiteral("update")});
    QVERIFY2(step.exitCode == 0, step.output.constData());
    step = aptGet(kiosk
                  + QStringList{QStringLiteral("install"), QStringLiteral("quorvel-guide"),
                                QStringLiteral("quorvel-guide-pictures-") + Site});
    QVERIFY2(step.exitCode == 0, step.output.constData());
    QVERIFY(packageStatus(QStringLiteral("quorvel-guide")).startsWith(QLatin1String("install ok installed")));
    QCOMPARE(packageStatus(QStringLiteral("quorvel-guide-pictures-") + Site), QStringLiteral("install ok installed 1"));
    QCOMPARE(firstDifference(scratch.filePath(QStringLiteral("site-1"))), QString());

    // New pictures for the fleet: one changed, packed as version 2, published.
    const QString site2 = scratch.filePath(QStringLiteral("site-2"));
    QVERIFY(QDir().mkpath(site2));
    TestPictures::writeAll(site2);
    QImage white(1000, 600, QImage::Format_RGB32);
    white.fill(Qt::white);
    QVERIFY(white.save(site2 + QStringLiteral("/home.jpg")));
    const QString site2Deb = buildSitePackage(site2, QStringLiteral("2"));
    QVERIFY(!site2Deb.isEmpty());
    step = include(site2Deb);
    QVERIFY2(step.exitCode == 0, step.output.constData());

    // The kiosk's upgrade takes the pictures alone; the program stays as it was.
    struct stat program = {};
    QCOMPARE(::stat("/opt/quorvel-guide/app/quorvel-guide", &program), 0);
    const QString programStatus = packageStatus(QStringLiteral("quorvel-guide"));
    step = aptGet(kiosk + QStringList{QStringLiteral("update")});
    QVERIFY2(step.exitCode == 0, step.output.constData());
    FolderWatch watch;
    step = aptGet(kiosk + QStringList{QStringLiteral("upgrade")});
    QVERIFY2(step.exitCode == 0, step.output.constData());
    // An upgrade renames each new picture over the old: none is ever missing.
    QCOMPARE(watch.notRenamed(), QString());
    QVERIFY2(step.output.contains("1 upgraded"), step.output.constData());
    QCOMPARE(packageStatus(QStringLiteral("quorvel-guide-pictures-") + Site), QStringLiteral("install ok installed 2"));
    QCOMPARE(packageStatus(QStringLiteral("quorvel-guide")), programStatus);
    struct stat programAfter = {};
    QCOMPARE(::stat("/opt/quorvel-guide/app/quorvel-guide", &programAfter), 0);
    QCOMPARE(programAfter.st_ino, program.st_ino);
    QCOMPARE(firstDifference(site2), QString());
}

void TestPackages::upgradeFromBeforeTheSplitKeepsPlacedPictures()
{
    // A release that still held the pictures: this program with the demo set
    // inside, as version 1.0.0.
    const QString old = scratch.filePath(QStringLiteral("old"));
    QVERIFY(QDir().mkpath(old));
    const char *makeOld = R"(set -e
cd "$1"
dpkg-deb -R "$2" tree
dpkg-deb -x "$3" pictures
cp pictures/opt/quorvel-guide/sets/*/* tree/opt/quorvel-guide/app/
sed -i 's/^Version: .*/Version: 1.0.0/; s/^Depends: quorvel-guide-pictures, /Depends: /' tree/DEBIAN/control
cd tree && find opt usr -type f -exec md5sum {} + >DEBIAN/md5sums && cd ..
dpkg-deb --root-owner-group -b tree old.deb >/dev/null)";
    Run step = run(QStringLiteral("sh"),
                   {QStringLiteral("-c"), QLatin1String(makeOld), QStringLiteral("sh"), old, guideDeb, demoDeb});
    QVERIFY2(step.exitCode == 0, step.output.constData());
    // The old release owns the pictures itself: no picture package may be left.
    QVERIFY(purged({QStringLiteral("quorvel-guide"), QStringLiteral("quorvel-guide-demo-pictures"),
                    QStringLiteral("quorvel-guide-pictures-") + Site}));
    step = run(QStringLiteral("dpkg"), {QStringLiteral("--install"), old + QStringLiteral("/old.deb")});
    QVERIFY2(step.exitCode == 0, step.output.constData());

    // The site copies its own picture over the demo one, then upgrades.
    QImage placed(1000, 600, QImage::Format_RGB32);
    placed.fill(Qt::darkRed);
    QVERIFY(placed.save(App + QStringLiteral("/home.jpg")));
    const QByteArray placedBytes = contents(App + QStringLiteral("/home.jpg"));
    QDir kept(QStringLiteral("/var/backups/quorvel-guide-pictures-1.0.0"));
    QVERIFY(kept.removeRecursively());
    QVERIFY(installed({guideDeb, demoDeb}));
    QVERIFY(packageStatus(QStringLiteral("quorvel-guide")).endsWith(QLatin1String(" " QUORVEL_VERSION)));

    // The demo package has placed its pictures; the placed one is kept, alone.
    QCOMPARE(kept.entryList(QDir::Files), QStringList{QStringLiteral("home.jpg")});
    QCOMPARE(contents(kept.filePath(QStringLiteral("home.jpg"))), placedBytes);
    QCOMPARE(firstDifference(old + QStringLiteral("/pictures") + Sets + QStringLiteral("/quorvel-guide-demo-pictures")),
             QString());
    QVERIFY(kept.removeRecursively());
}

QTEST_MAIN(TestPackages)
#include "tst_packages.moc"
