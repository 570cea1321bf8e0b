#include "support/patience.h"
#include "support/x11display.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The guide as installed: one folder, links in bin/ through which the guide
// still finds its pictures, the demo set beside it, and the real window under
// Xvfb reaching its home page. It installs this build into a scratch folder,
// or checks an installed guide named by QUORVEL_INSTALLED_GUIDE (the link in
// bin/, as the Debian package puts it).
class TestInstalled : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layout();
    void picturesPassTheirCheck();
    void startsThroughItsLinkAndReachesHome();

private:
    // How far the screen is from a picture, stretched to the page: the mean
    // difference per channel over a grid clear of the model list and buttons.

    QTemporaryDir scratch;
    QString prefix;
    QString guideLink;
};

void TestInstalled::initTestCase()
{
    const QString installed = qEnvironmentVariable("QUORVEL_INSTALLED_GUIDE");
    if (!installed.isEmpty()) {
        // The link leads to app/quorvel-guide in the install folder.
        guideLink = installed;
        prefix = QFileInfo(installed).canonicalPath() + QStringLiteral("/..");
    } else {
        QVERIFY(scratch.isValid());
        prefix = scratch.filePath(QStringLiteral("opt/quorvel-guide"));
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(
            QStringLiteral(CMAKE_COMMAND),
            {QStringLiteral("--install"), QStringLiteral(QUORVEL_BUILD_DIR), QStringLiteral("--prefix"), prefix});
        QVERIFY(install.waitForFinished(Patience::Ms));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    }
    prefix = QDir::cleanPath(prefix);
    if (guideLink.isEmpty())
        guideLink = prefix + QStringLiteral("/bin/quorvel-guide");
}

void TestInstalled::layout()
{
    for (const char *program : {"quorvel-guide", "guide-pictures"}) {
        const QFileInfo link(prefix + QStringLiteral("/bin/") + QLatin1String(program));
        QVERIFY2(link.isSymLink(), qPrintable(link.filePath()));
        QCOMPARE(link.canonicalFilePath(),
                 QFileInfo(prefix + QStringLiteral("/app/") + QLatin1String(program)).canonicalFilePath());
        QVERIFY(link.isExecutable());
    }
    QVERIFY(QFileInfo::exists(prefix + QStringLiteral("/share/applications/quorvel-guide.desktop")));
    QVERIFY(QFileInfo::exists(prefix + QStringLiteral("/share/quorvel-guide/quorvel-guide-kiosk.service")));
}

void TestInstalled::picturesPassTheirCheck()
{
    QProcess check;
    check.start(prefix + QStringLiteral("/bin/guide-pictures"),
                {QStringLiteral("check"), prefix + QStringLiteral("/app")});
    QVERIFY(check.waitForFinished(Patience::Ms));
    const QByteArray report = check.readAllStandardOutput();
    QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, report.constData());
    QVERIFY2(report.contains("73 pictures: 73 ok"), report.constData());
}

void TestInstalled::startsThroughItsLinkAndReachesHome()
{
    XvfbServer xvfb;
    QString error;
    QVERIFY2(xvfb.start(&error), qPrintable(error));
    QProcess guide;
    guide.setProcessEnvironment(xvfb.environment());
    // From elsewhere, so that only the link leads to the pictures.
    guide.setWorkingDirectory(QDir::tempPath());
    guide.start(guideLink, QStringList());
    QVERIFY(guide.waitForStarted(Patience::Ms));

    X11Display x(xvfb.displayName());
    QVERIFY2(x.isUsable(), "no X server with XTest");
    const unsigned long window = x.waitForWindow(QStringLiteral("Varnholt Crop."), guide, Patience::Ms);
    QVERIFY2(window, guide.readAllStandardError().constData());
    const QRect frame = x.geometry(window);
    QCOMPARE(frame.size(), QSize(1000, 600));

    QTRY_VERIFY_WITH_TIMEOUT(distanceFromPicture(x.grab(frame), prefix + QStringLiteral("/app/top.jpg")) < 8,
                             Patience::Ms);
    QTRY_VERIFY_WITH_TIMEOUT(distanceFromPicture(x.grab(frame), prefix + QStringLiteral("/app/home.jpg")) < 8,
                             Patience::Ms);
    // And on to the question, by a press on its hot-spot.
    x.tap(frame.topLeft() + QPoint(265, 456));
    QTRY_VERIFY_WITH_TIMEOUT(distanceFromPicture(x.grab(frame), prefix + QStringLiteral("/app/page1.jpg")) < 8,
                             Patience::Ms);
    // Home again, and the model list's sixth row, 363KU.
    x.tap(frame.topLeft() + QPoint(975, 25));
    QTRY_VERIFY_WITH_TIMEOUT(distanceFromPicture(x.grab(frame), prefix + QStringLiteral("/app/home.jpg")) < 8,
                             Patience::Ms);
    x.tap(frame.topLeft() + QPoint(711, 125));
    QTRY_VERIFY_WITH_TIMEOUT(x.viewableWindows() > 1, Patience::Ms);
    for (int row = 0; row < 5; ++row)
        x.typeKey("Down");
    x.typeKey("Return");
    QTRY_VERIFY_WITH_TIMEOUT(distanceFromPicture(x.grab(frame), prefix + QStringLiteral("/app/363ku.jpg")) < 8,
                             Patience::Ms);

    x.closeWindow(window);
    QVERIFY(guide.waitForFinished(Patience::Ms));
    QCOMPARE(guide.exitStatus(), QProcess::NormalExit);
    QCOMPARE(guide.exitCode(), 0);
    // The list's one debug line, naming the row chosen.
    const QByteArray errors = guide.readAllStandardError();
    QVERIFY2(errors.contains("sltIndexChanged(int) 5"), errors.constData());
}

QTEST_MAIN(TestInstalled)
#include "tst_installed.moc"
