#include "fieldwatch.h"

#include "quitonsignal.h"
#ifdef QUORVEL_SCREENSHOTS
#include "screenserver.h"
#endif
#include "visitstore.h"

#include "shell/abstractquorvelwidget.h"
#include "shell/basewidget.h"
#include "shell/idlereturn.h"
#include "shell/pagefactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <cstdio>
#include <cstring>

FieldWatch::FieldWatch(Basewidget *window)
    : window(window)
{
    new QuitOnSignal(this);
    metrics.upSince = QDateTime::currentDateTime();
    connect(window, SIGNAL(sigPageShown(int)), this, SLOT(sltPageShown(int)));
    connect(window, SIGNAL(sigPageShown(int)), &visits, SLOT(sltPageShown(int)));
    if (IdleReturn *idle = window->idleReturn())
        connect(idle, SIGNAL(sigOpenWidget(int)), &visits, SLOT(sltIdleReturn(int)));
    // Set up beside a window just made, which shows its start picture.
    sltPageShown(StartPageId);
    visits.sltPageShown(StartPageId);

    worker = new QObject;
    worker->moveToThread(&thread);
    connect(&thread, SIGNAL(finished()), worker, SLOT(deleteLater()));
    if (VisitStore::enabledByEnvironment()) {
        store = new VisitStore(VisitStore::defaultPath());
        store->moveToThread(&thread);
    }
    thread.setObjectName(QStringLiteral("field"));
    thread.start(QThread::LowPriority);
    connect(this, SIGNAL(sigPictureState(int, int, QString, QString)), this,
            SLOT(sltPictureStateJudged(int, int, QString, QString)), Qt::QueuedConnection);

    writeTimer.setInterval(WriteSeconds * 1000);
    connect(&writeTimer, SIGNAL(timeout()), this, SLOT(sltWrite()));
    writeTimer.start();

    metricsFolder = GuideMetrics::folderFromEnvironment();
    metricsTimer.setInterval(MetricsSeconds * 1000);
    connect(&metricsTimer, SIGNAL(timeout()), this, SLOT(sltMetrics()));
    metricsTimer.start();

    judgeTimer.setSingleShot(true);
    judgeTimer.setInterval(2000);
    connect(&judgeTimer, SIGNAL(timeout()), this, SLOT(sltJudgePictures()));
    // The pictures are gathered once the start is over.
    QTimer::singleShot(MetricsSeconds * 1000, this, SLOT(sltNextPicturePage()));

#ifdef QUORVEL_SCREENSHOTS
    screen = new ScreenServer(window);
#endif
}

FieldWatch::~FieldWatch()
{
    stopping = true;
    const Visits::Batch batch = visits.take();
    const int today = Visits::localDay(QDateTime::currentDateTime());
    VisitStore *last = store;
    QMetaObject::invokeMethod(
        worker,
        [last, batch, today] {
            if (last) {
                last->write(batch, today);
                delete last; // its connection belongs to this thread
            }
        },
        Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
#ifdef QUORVEL_SCREENSHOTS
    delete screen;
#endif
}

int FieldWatch::screenshotCommand(int argc, char *argv[])
{
    if (argc < 2 || std::strcmp(argv[1], "--screenshot") != 0)
        return -1;
    if (argc != 3) {
        std::fputs("usage: quorvel-guide --screenshot FILE.png\n", stderr);
        return 2;
    }
#ifdef QUORVEL_SCREENSHOTS
    QCoreApplication app(argc, argv);
    return ScreenServer::fetch(QString::fromLocal8Bit(argv[2]));
#else
    std::fputs("quorvel-guide: this build takes no picture of the screen (Qt without its network module)\n", stderr);
    return 1;
#endif
}

void FieldWatch::sltWrite()
{
    // Taken even when nothing keeps them: the counts in memory stay small.
    const Visits::Batch batch = visits.take();
    if (!store)
        return;
    const int today = Visits::localDay(QDateTime::currentDateTime());
    VisitStore *target = store;
    QMetaObject::invokeMethod(worker, [target, batch, today] { target->write(batch, today); });
}

void FieldWatch::sltMetrics()
{
    // One pixel of the page painted again proves the window still paints;
    // the frame's time is taken when it does.
    if (window->page())
        window->page()->update(0, 0, 1, 1);
    if (metricsFolder.isEmpty())
        return;
    metrics.pageViews = visits.pageViews();
    metrics.visitsByButton = visits.visits(Visits::End::Button);
    metrics.visitsByIdle = visits.visits(Visits::End::Idle);
    const QString text = metrics.text();
    const QString folder = metricsFolder;
    bool *failed = &metricsFailed;
    QMetaObject::invokeMethod(worker, [folder, text, failed] {
        QString error;
        if (!QFileInfo(folder).isDir()) {
            error = QStringLiteral("no such folder (is prometheus-node-exporter installed?)");
        } else if (GuideMetrics::writeAtomically(folder, text, &error)) {
            *failed = false;
            return;
        }
        if (!*failed)
            std::fputs(
                qPrintable(QStringLiteral("quorvel-guide: metrics: cannot write into %1: %2\n").arg(folder, error)),
                stderr);
        *failed = true;
    });
}

bool FieldWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == paintedPage.data())
        metrics.lastFrame = QDateTime::currentDateTime();
    return false;
}

void FieldWatch::sltPageShown(int)
{
    if (paintedPage)
        paintedPage->removeEventFilter(this);
    paintedPage = window->page();
    if (paintedPage)
        paintedPage->installEventFilter(this);
}

// A page built, asked for its picture and deleted, once per turn of the event
// loop, so that a press in between waits for one page at most.
void FieldWatch::sltNextPicturePage()
{
    if (nextPicturePage == 0)
        picturePaths = QStringList();
    if (nextPicturePage <= LastPageId) {
        AbstractQuorvelWidget *page = PageFactory::create(nextPicturePage);
        if (PageFactory::setsPageId(nextPicturePage))
            page->pageId = nextPicturePage;
        page->initPage();
        if (!page->picturePath.isEmpty() && !picturePaths.contains(page->picturePath))
            picturePaths << page->picturePath;
        delete page;
        ++nextPicturePage;
        QTimer::singleShot(0, this, SLOT(sltNextPicturePage()));
        return;
    }
    for (const QString &name : AbstractQuorvelWidget::navigationPictures())
        picturePaths.prepend(pictureFile(name));
    // A picture changed, added or removed (a package upgrade) is judged again:
    // a file written over changes only itself, one added or renamed into
    // place only its folder.
    pictureWatcher = new QFileSystemWatcher(this);
    for (const QString &path : qAsConst(picturePaths)) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!pictureWatcher->directories().contains(folder))
            pictureWatcher->addPath(folder);
    }
    connect(pictureWatcher, SIGNAL(directoryChanged(QString)), &judgeTimer, SLOT(start()));
    connect(pictureWatcher, SIGNAL(fileChanged(QString)), &judgeTimer, SLOT(start()));
    sltJudgePictures();
}

void FieldWatch::sltJudgePictures()
{
    // A file replaced or removed drops out of the watch; back in once there.
    QStringList unwatched;
    for (const QString &path : qAsConst(picturePaths)) {
        if (!pictureWatcher->files().contains(path) && QFileInfo::exists(path))
            unwatched << path;
    }
    if (!unwatched.isEmpty())
        pictureWatcher->addPaths(unwatched);
    const QStringList paths = picturePaths;
    QMetaObject::invokeMethod(worker, [this, paths] {
        const PictureState state = PictureState::judge(paths, &stopping);
        if (!stopping)
            emit sigPictureState(state.missing, state.damaged, state.package, state.version);
    });
}

void FieldWatch::sltPictureStateJudged(int missing, int damaged, const QString &package, const QString &version)
{
    metrics.picturesMissing = missing;
    metrics.picturesDamaged = damaged;
    metrics.picturePackage = package;
    metrics.pictureVersion = version;
}
