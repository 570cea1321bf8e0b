#include "field/fieldlayer.h"
#include "field/screenhours.h"
#include "field/screenschedule.h"
#include "field/systemdnotify.h"
#include "field/watchdog.h"
#include "shell/basewidget.h"

#include "support/guidetest.h"
#include "support/patience.h"
#include "support/testpictures.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

// What watches the guide in the field: systemd's notify protocol and the
// watchdog on the window's frames, the wait for a screen, opening hours.
class TestField : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void notifySocket_data();
    void notifySocket();
    void watchdog_data();
    void watchdog();
    void noScreen_data();
    void noScreen();
    void settings_data();
    void settings();

    void hoursParse_data();
    void hoursParse();
    void hoursOpen_data();
    void hoursOpen();
    void schedule();
    void guideAtClosing_data();
    void guideAtClosing();
    void hoursScript_data();
    void hoursScript();
};

namespace {

// A datagram socket as systemd makes one for a unit: at a path, or under an
// abstract name ("@" first).
class NotifyListener
{
public:
    // At a path in a scratch folder of its own.
    NotifyListener()
        : name(QFile::encodeName(QDir(scratch.path()).filePath(QStringLiteral("notify"))))
    {
        bind();
    }
    explicit NotifyListener(const QByteArray &name)
        : name(name)
    {
        bind();
    }
    ~NotifyListener() { ::close(fd); }

    // Every datagram that came since the last take().
    QList<QByteArray> seen()
    {
        char buffer[256];
        for (;;) {
            const ssize_t size = ::recv(fd, buffer, sizeof buffer, 0);
            if (size < 0)
                break;
            received.append(QByteArray(buffer, int(size)));
        }
        return received;
    }
    QList<QByteArray> take()
    {
        const QList<QByteArray> all = seen();
        received.clear();
        return all;
    }

private:
    QTemporaryDir scratch; // before the name made in it

public:
    const QByteArray name;
    bool bound = false;

private:
    void bind()
    {
        fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un at = {};
        at.sun_family = AF_UNIX;
        std::memcpy(at.sun_path, name.constData(), size_t(name.size()));
        if (name.startsWith('@'))
            at.sun_path[0] = '\0';
        bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&at),
                       socklen_t(offsetof(sockaddr_un, sun_path) + size_t(name.size())))
            == 0;
    }

    int fd = -1;
    QList<QByteArray> received;
};

QDateTime at(int dayOfWeek, const char *time)
{
    // 2026-11-30 is a Monday.
    return QDateTime(QDate(2026, 11, 29).addDays(dayOfWeek), QTime::fromString(QLatin1String(time), "HH:mm"));
}

// "closed": open from an hour on, for an hour, every day; "open": open all
// day but the hour before that; any other value stays. opening: the next.
QString hoursAroundNow(const QString &row, QDateTime *opening)
{
    const QTime now = QTime::currentTime();
    const QString inAnHour = now.addSecs(3600).toString(QStringLiteral("HH:mm"));
    const QString inTwo = now.addSecs(2 * 3600).toString(QStringLiteral("HH:mm"));
    *opening = QDateTime(QDate::currentDate().addDays(now.hour() == 23 ? 1 : 0),
                         QTime::fromString(inAnHour, QStringLiteral("HH:mm")));
    if (row == QLatin1String("closed"))
        return inAnHour + QLatin1Char('-') + inTwo;
    if (row == QLatin1String("open"))
        return inTwo + QLatin1Char('-') + inAnHour;
    return row;
}

} // namespace

void TestField::initTestCase()
{
    TestPictures::writeAll();
}

void TestField::notifySocket_data()
{
    QTest::addColumn<QByteArray>("listen"); // empty: none; "dir/": in a scratch folder
    QTest::addColumn<QByteArray>("variable"); // $NOTIFY_SOCKET; "dir/" as above
    QTest::addColumn<bool>("delivered");

    QTest::newRow("path") << QByteArray("dir/notify") << QByteArray("dir/notify") << true;
    QTest::newRow("abstract") << QByteArray("@quorvel-test-notify") << QByteArray("@quorvel-test-notify") << true;
    QTest::newRow("no socket set") << QByteArray() << QByteArray() << false;
    QTest::newRow("nobody listening") << QByteArray() << QByteArray("dir/gone") << false;
    QTest::newRow("relative path") << QByteArray() << QByteArray("notify") << false;
    QTest::newRow("just @") << QByteArray() << QByteArray("@") << false;
}

void TestField::notifySocket()
{
    QFETCH(QByteArray, listen);
    QFETCH(QByteArray, variable);
    QFETCH(bool, delivered);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    listen.replace("dir/", folder);
    variable.replace("dir/", folder);
    // Unique per run: abstract names are shared by the whole machine.
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    if (listen.startsWith('@'))
        listen += pid;
    if (variable.startsWith('@') && variable.size() > 1)
        variable += pid;

    QScopedPointer<NotifyListener> listener(listen.isEmpty() ? nullptr : new NotifyListener(listen));
    if (listener)
        QVERIFY(listener->bound);
    if (variable.isNull())
        qunsetenv("NOTIFY_SOCKET");
    else
        qputenv("NOTIFY_SOCKET", variable);
    qputenv("WATCHDOG_USEC", "30000000");
    QScopedPointer<SystemdNotify> notify(SystemdNotify::fromEnvironment());
    qunsetenv("NOTIFY_SOCKET");
    qunsetenv("WATCHDOG_USEC");

    QCOMPARE(notify->watchdogUsec(), qint64(30000000));
    QCOMPARE(notify->send("READY=1"), delivered);
    QCOMPARE(notify->send("WATCHDOG=1"), delivered);
    if (listener)
        QCOMPARE(listener->take(), QList<QByteArray>({"READY=1", "WATCHDOG=1"}));
}

void TestField::watchdog_data()
{
    QTest::addColumn<QString>("frames"); // after the first

    QTest::newRow("pings while painting") << QStringLiteral("painting");
    // A hidden window paints nothing, as one whose compositor took no frames.
    QTest::newRow("none when frames stop") << QStringLiteral("stopped");
}

void TestField::watchdog()
{
    QFETCH(QString, frames);

    NotifyListener listener;
    QVERIFY(listener.bound);
    // A period of 0.3 s: a repaint asked for every 0.1 s.
    Basewidget window;
    Watchdog *dog = new Watchdog(&window, new SystemdNotify(listener.name, 300000), 600000);

    // Before the first frame: alive, not ready.
    QTRY_VERIFY_WITH_TIMEOUT(listener.seen().contains("WATCHDOG=1"), Patience::Ms);
    QVERIFY(!dog->hasPainted());

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(dog->hasPainted(), Patience::Ms);
    QList<QByteArray> got = listener.take();
    QCOMPARE(got.count("READY=1"), 1);

    if (frames == QLatin1String("stopped"))
        window.hide();
    const int askedBefore = dog->repaintsAsked();
    QTRY_VERIFY_WITH_TIMEOUT(dog->repaintsAsked() >= askedBefore + 4, Patience::Ms);
    got = listener.take();
    QVERIFY(!got.contains("READY=1"));
    if (frames == QLatin1String("painting"))
        QVERIFY2(got.count("WATCHDOG=1") >= 3, qPrintable(QString::number(got.count("WATCHDOG=1"))));
    else
        QCOMPARE(got.count("WATCHDOG=1"), 0);
}

void TestField::noScreen_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("systemd");

    QTest::newRow("never exposed") << false << true;
    QTest::newRow("never exposed, no systemd") << false << false;
    QTest::newRow("shown") << true << true;
}

void TestField::noScreen()
{
    QFETCH(bool, shown);
    QFETCH(bool, systemd);

    NotifyListener listener;
    QVERIFY(listener.bound);
    Basewidget window;
    const int waitMs = 1000;
    Watchdog *dog = new Watchdog(&window, new SystemdNotify(systemd ? listener.name : QByteArray(), 300000), waitMs);
    QSignalSpy noScreen(dog, SIGNAL(sigNoScreen()));
    // A window never shown, watched with twice the wait: the end of its wait
    // is the time by which the first one's has surely passed.
    QWidget hidden;
    Watchdog reference(&hidden, new SystemdNotify, 2 * waitMs);
    QSignalSpy referenceOver(&reference, SIGNAL(sigNoScreen()));
    if (shown) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY_WITH_TIMEOUT(dog->hasPainted(), Patience::Ms);
        QVERIFY(referenceOver.wait(10 * waitMs));
        QCOMPARE(noScreen.count(), 0);
        QVERIFY(listener.take().contains("READY=1"));
        return;
    }
    QVERIFY(noScreen.wait(10 * waitMs));
    QCOMPARE(noScreen.count(), 1);
    QCOMPARE(referenceOver.count(), 0);
    QVERIFY(!dog->hasPainted());
    const QList<QByteArray> got = listener.take();
    QVERIFY(!got.contains("READY=1"));
    QCOMPARE(got.isEmpty(), !systemd);
}

void TestField::settings_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("expected"); // -1: no good

    QTest::newRow("watchdog period") << QByteArray("WATCHDOG_USEC") << QByteArray("30000000") << qint64(30000000);
    QTest::newRow("watchdog unset") << QByteArray("WATCHDOG_USEC") << QByteArray() << qint64(0);
    QTest::newRow("watchdog words") << QByteArray("WATCHDOG_USEC") << QByteArray("thirty") << qint64(0);
    QTest::newRow("watchdog 0") << QByteArray("WATCHDOG_USEC") << QByteArray("0") << qint64(0);
    QTest::newRow("watchdog negative") << QByteArray("WATCHDOG_USEC") << QByteArray("-5") << qint64(0);
    QTest::newRow("screen wait unset") << QByteArray("SCREEN_WAIT") << QByteArray()
                                       << qint64(Watchdog::DefaultScreenWaitSeconds);
    QTest::newRow("screen wait 5") << QByteArray("SCREEN_WAIT") << QByteArray("5") << qint64(5);
    QTest::newRow("screen wait 3600") << QByteArray("SCREEN_WAIT") << QByteArray("3600") << qint64(3600);
    QTest::newRow("screen wait 4") << QByteArray("SCREEN_WAIT") << QByteArray("4") << qint64(-1);
    QTest::newRow("screen wait 3601") << QByteArray("SCREEN_WAIT") << QByteArray("3601") << qint64(-1);
    QTest::newRow("screen wait unit") << QByteArray("SCREEN_WAIT") << QByteArray("60s") << qint64(-1);
    QTest::newRow("screen wait sign") << QByteArray("SCREEN_WAIT") << QByteArray("+60") << qint64(-1);
}

void TestField::settings()
{
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, value);
    QFETCH(qint64, expected);

    if (variable == "WATCHDOG_USEC")
        QCOMPARE(SystemdNotify::watchdogUsecFrom(value), expected);
    else
        QCOMPARE(qint64(FieldLayer::screenWaitSecondsFrom(value)), expected);
}

void TestField::hoursParse_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("valid");

    QTest::newRow("example") << QByteArray("Mon-Fri 08:00-19:00, Sat 09:00-14:00") << true;
    QTest::newRow("single day") << QByteArray("Sun 10:00-16:00") << true;
    QTest::newRow("every day") << QByteArray("07:30-22:00") << true;
    QTest::newRow("overnight") << QByteArray("Fri 22:00-02:00") << true;
    QTest::newRow("days wrapping") << QByteArray("Fri-Mon 10:00-18:00") << true;
    QTest::newRow("to midnight") << QByteArray("Sat 18:00-24:00") << true;
    QTest::newRow("one-digit hour") << QByteArray("Mon 8:00-9:30") << true;
    QTest::newRow("lower case") << QByteArray("mon-fri 08:00-19:00") << true;
    QTest::newRow("whitespace") << QByteArray("  Mon - Fri\t08:00 - 19:00 ,Sat 09:00-14:00 ") << true;
    QTest::newRow("unset") << QByteArray() << false;
    QTest::newRow("only spaces") << QByteArray("   ") << false;
    QTest::newRow("hour 25") << QByteArray("Mon 08:00-25:00") << false;
    QTest::newRow("minute 60") << QByteArray("Mon 08:60-19:00") << false;
    QTest::newRow("24:00 opening") << QByteArray("Mon 24:00-08:00") << false;
    QTest::newRow("24:30") << QByteArray("Mon 08:00-24:30") << false;
    QTest::newRow("empty span") << QByteArray("Mon 08:00-08:00") << false;
    QTest::newRow("no closing") << QByteArray("Mon 08:00") << false;
    QTest::newRow("no minutes") << QByteArray("Mon 8-19") << false;
    QTest::newRow("days only") << QByteArray("Mon-Fri") << false;
    QTest::newRow("full day name") << QByteArray("Monday 08:00-19:00") << false;
    QTest::newRow("no such day") << QByteArray("Mon-Fry 08:00-19:00") << false;
    QTest::newRow("day glued") << QByteArray("Mon08:00-19:00") << false;
    QTest::newRow("empty entry") << QByteArray("Mon 08:00-19:00,, Sat 09:00-14:00") << false;
    QTest::newRow("trailing comma") << QByteArray("Mon 08:00-19:00,") << false;
    QTest::newRow("one bad of two") << QByteArray("Mon 08:00-19:00, Sat 9h-14h") << false;
}

void TestField::hoursParse()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, valid);

    QCOMPARE(ScreenHours::parse(value).isValid(), valid);
}

void TestField::hoursOpen_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QDateTime>("change");

    const QByteArray week("Mon-Fri 08:00-19:00, Sat 09:00-14:00");
    QTest::newRow("Monday morning") << week << at(1, "10:00") << true << at(1, "19:00");
    QTest::newRow("at opening") << week << at(3, "08:00") << true << at(3, "19:00");
    QTest::newRow("just before opening") << week << at(3, "07:59") << false << at(3, "08:00");
    QTest::newRow("at closing") << week << at(5, "19:00") << false << at(6, "09:00");
    QTest::newRow("Saturday afternoon") << week << at(6, "14:30") << false << at(8, "08:00");
    QTest::newRow("Sunday") << week << at(7, "12:00") << false << at(8, "08:00");
    const QByteArray late("Fri 22:00-02:00");
    QTest::newRow("overnight, before midnight") << late << at(5, "23:00") << true << at(6, "02:00");
    QTest::newRow("overnight, after midnight") << late << at(6, "01:59") << true << at(6, "02:00");
    QTest::newRow("overnight, over") << late << at(6, "02:00") << false << at(12, "22:00");
    const QByteArray sunday("Sun 20:00-03:00");
    QTest::newRow("over the week's end") << sunday << at(8, "02:00") << true << at(8, "03:00");
    QTest::newRow("wrapping days, Monday")
        << QByteArray("Fri-Mon 10:00-18:00") << at(8, "11:00") << true << at(8, "18:00");
    QTest::newRow("wrapping days, Tuesday")
        << QByteArray("Fri-Mon 10:00-18:00") << at(2, "11:00") << false << at(5, "10:00");
    QTest::newRow("to midnight") << QByteArray("Sat 18:00-24:00") << at(6, "23:59") << true << at(7, "00:00");
    QTest::newRow("always open") << QByteArray("00:00-24:00") << at(3, "03:00") << true << QDateTime();
}

void TestField::hoursOpen()
{
    QFETCH(QByteArray, value);
    QFETCH(QDateTime, time);
    QFETCH(bool, open);
    QFETCH(QDateTime, change);

    const ScreenHours hours = ScreenHours::parse(value);
    QVERIFY(hours.isValid());
    QCOMPARE(hours.isOpen(time), open);
    QCOMPARE(hours.nextChange(time.addSecs(30)), change);
}

void TestField::schedule()
{
    Basewidget window;
    window.show();
    QVERIFY(GuideTest::showHome(window));
    window.sltOpenWidget(61);
    // Power that only ends the guide: the window stays for the test to see.
    ScreenSchedule *schedule
        = new ScreenSchedule(&window, ScreenHours::parse("Mon-Fri 08:00-19:00"), ScreenSchedule::EndAtClosing);
    connect(schedule, SIGNAL(sigOpenWidget(int)), &window, SLOT(sltOpenWidget(int)));
    QSignalSpy closed(schedule, SIGNAL(sigClosed(QDateTime)));

    schedule->setClock(at(1, "18:59"));
    QVERIFY(schedule->isOpen());
    QCOMPARE(closed.count(), 0);
    schedule->setClock(at(1, "19:00"));
    QVERIFY(!schedule->isOpen());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toDateTime(), at(2, "08:00"));
    QCOMPARE(GuideTest::shownPageId(window), 61);

    // The next morning it opens at the home page.
    schedule->setClock(at(2, "07:59"));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(GuideTest::shownPageId(window), 61);
    schedule->setClock(at(2, "08:00"));
    QVERIFY(schedule->isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(GuideTest::shownPageId(window), HomePageId, Patience::Ms);
    QCOMPARE(closed.count(), 1);
}

void TestField::guideAtClosing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("hours"); // "closed", "open", or the value itself
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on stdout for the question, else on stderr

    const QStringList question{QStringLiteral("--screen-closed-until")};
    // What the kiosk unit asks before it starts the guide.
    QTest::newRow("asked, closed") << question << QStringLiteral("closed") << 0 << QStringLiteral("opening");
    QTest::newRow("asked, open") << question << QStringLiteral("open") << 1 << QString();
    QTest::newRow("asked, unset") << question << QString() << 1 << QString();
    QTest::newRow("asked, no good") << question << QStringLiteral("Mon-Fri 8-19") << 1 << QString();
    // A platform that cannot power a screen down: the guide ends at closing.
    QTest::newRow("started, closed") << QStringList() << QStringLiteral("closed") << 0
                                     << QStringLiteral("closed until");
}

void TestField::guideAtClosing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, hours);
    QFETCH(int, exitCode);
    QFETCH(QString, said);

    QDateTime opening;
    hours = hoursAroundNow(hours, &opening);

    QProcess guide;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("QUORVEL_GUIDE_SCREEN_HOURS"));
    if (!hours.isEmpty())
        environment.insert(QStringLiteral("QUORVEL_GUIDE_SCREEN_HOURS"), hours);
    guide.setProcessEnvironment(environment);
    guide.start(QStringLiteral(QUORVEL_GUIDE_EXECUTABLE), arguments);
    QVERIFY(guide.waitForFinished(Patience::Ms));
    QCOMPARE(guide.exitStatus(), QProcess::NormalExit);
    QCOMPARE(guide.exitCode(), exitCode);
    const QString output = QString::fromLocal8Bit(guide.readAllStandardOutput());
    const QString errors = QString::fromLocal8Bit(guide.readAllStandardError());
    if (said == QLatin1String("opening"))
        QCOMPARE(output.trimmed(), opening.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    else if (arguments.isEmpty())
        QVERIFY2(errors.contains(said), qPrintable(errors));
    else
        QVERIFY2(output.isEmpty(), qPrintable(output));
}

void TestField::hoursScript_data()
{
    QTest::addColumn<QString>("hours"); // "closed", "open", or the value itself
    QTest::addColumn<int>("exitCode"); // 1: the start skipped
    QTest::addColumn<QByteArray>("blank"); // written to the console's blank file

    QTest::newRow("closed") << QStringLiteral("closed") << 1 << QByteArray("4\n");
    QTest::newRow("open") << QStringLiteral("open") << 0 << QByteArray("0\n");
    QTest::newRow("unset") << QString() << 0 << QByteArray("0\n");
    QTest::newRow("no good") << QStringLiteral("Mon-Fri 8-19") << 0 << QByteArray("0\n");
}

void TestField::hoursScript()
{
    QFETCH(QString, hours);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, blank);

    QDateTime opening;
    hours = hoursAroundNow(hours, &opening);

    // systemd and the change of user stood in for: what they are asked is
    // logged; the console's blank file is a file of the test's.
    QTemporaryDir stubs;
    QVERIFY(stubs.isValid());
    const auto writeStub = [&](const QString &name, const QByteArray &body) {
        QFile stub(stubs.filePath(name));
        return stub.open(QIODevice::WriteOnly) && stub.write("#!/bin/sh\n" + body) > 0
            && stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    QVERIFY(writeStub(QStringLiteral("setpriv"), "while [ \"${1#--}\" != \"$1\" ]; do shift; done\nexec \"$@\"\n"));
    QVERIFY(writeStub(QStringLiteral("systemctl"), "echo \"systemctl $*\" >>\"$STUB_LOG\"\n"));
    QVERIFY(writeStub(QStringLiteral("systemd-run"), "echo \"systemd-run $*\" >>\"$STUB_LOG\"\n"));
    QFile blankFile(stubs.filePath(QStringLiteral("blank")));
    QVERIFY(blankFile.open(QIODevice::WriteOnly));
    blankFile.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"),
                       stubs.path() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("STUB_LOG"), stubs.filePath(QStringLiteral("log")));
    environment.insert(QStringLiteral("QUORVEL_GUIDE_CONSOLE_BLANK"), blankFile.fileName());
    environment.remove(QStringLiteral("QUORVEL_GUIDE_SCREEN_HOURS"));
    if (!hours.isEmpty())
        environment.insert(QStringLiteral("QUORVEL_GUIDE_SCREEN_HOURS"), hours);
    QProcess script;
    script.setProcessEnvironment(environment);
    script.start(QStringLiteral(QUORVEL_HOURS_SCRIPT), {QStringLiteral("quorvel-guide-kiosk.service")});
    QVERIFY(script.waitForFinished(Patience::Ms));
    QCOMPARE(script.exitStatus(), QProcess::NormalExit);
    QVERIFY2(script.exitCode() == exitCode, script.readAllStandardError().constData());
    QVERIFY(blankFile.open(QIODevice::ReadOnly));
    QCOMPARE(blankFile.readAll(), blank);

    QFile log(stubs.filePath(QStringLiteral("log")));
    const QByteArray asked = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    const QByteArray calendar = opening.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
    const QByteArray timer = "systemd-run --quiet --collect --unit=quorvel-guide-kiosk-opening --on-calendar="
        + calendar + " --timer-property=AccuracySec=1s systemctl start --no-block quorvel-guide-kiosk.service\n";
    QCOMPARE(asked.contains(timer), exitCode == 1);
    QCOMPARE(asked.contains("systemd-run"), exitCode == 1);
}

QTEST_MAIN(TestField)
#include "tst_field.moc"
