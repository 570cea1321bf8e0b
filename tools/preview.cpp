#include "preview.h"

#include "overlay.h"

#include "guidepictures.h"
#include "shell/abstractquorvelwidget.h"
#include "shell/basewidget.h"

#include <QApplication>
#include <QChildEvent>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTextStream>

Preview::Preview(const QString &folder, Basewidget *window)
    : QWidget(window),
      folder(QDir::cleanPath(folder)),
      window(window),
      pages(GuideSurvey::survey())
{
    // Presses reach the page under the outlines, as in the guide.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(window->rect());
    window->installEventFilter(this);
    raise();

    connect(&watcher, SIGNAL(directoryChanged(QString)), this, SLOT(sltPicturesChanged()));
    connect(&watcher, SIGNAL(fileChanged(QString)), this, SLOT(sltPicturesChanged()));
    watcher.addPath(this->folder);
    watchPictures();
}

PageId Preview::shownPage() const
{
    const AbstractQuorvelWidget *page = window->page();
    if (!page)
        return NoPageId;
    if (page->pageId != NoPageId)
        return page->pageId;
    // The start, home and first question pages keep no id; each is the only
    // page of its class.
    const QString pageClass = QString::fromLatin1(page->metaObject()->className());
    for (const GuideSurvey::Page &surveyedPage : pages) {
        if (surveyedPage.pageClass == pageClass)
            return surveyedPage.id;
    }
    return NoPageId;
}

bool Preview::eventFilter(QObject *watched, QEvent *event)
{
    // Each new page is laid over everything before it: the outlines go back on top.
    if (watched == window && event->type() == QEvent::ChildAdded
        && static_cast<QChildEvent *>(event)->child() != this) {
        raise();
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void Preview::paintEvent(QPaintEvent *)
{
    const PageId id = shownPage();
    if (id < 0 || id >= pages.size())
        return;
    QPainter painter(this);
    Overlay::drawOutlines(painter, pages.at(id));
}

void Preview::sltPicturesChanged()
{
    // A picture saved by renaming over the old one is a new file to watch.
    watchPictures();
    window->update();
}

void Preview::watchPictures()
{
    const QStringList watched = watcher.files();
    QStringList present;
    for (const QString &name : GuidePictures::all()) {
        const QString path = folder + name;
        if (QFileInfo::exists(path) && !watched.contains(path))
            present << path;
    }
    if (!present.isEmpty())
        watcher.addPaths(present);
}

int Preview::run(const QStringList &arguments)
{
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-'))) {
        QTextStream(stderr) << "guide-pictures: preview takes one folder: preview DIR\n";
        return 2;
    }
    const QString folder = QDir(arguments.first()).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        QTextStream(stderr) << "guide-pictures: " << folder << " is not a folder\n";
        return 1;
    }
    setPictureFolder(folder);
    Basewidget window;
    window.setWindowTitle(QStringLiteral("Preview of %1").arg(QDir::toNativeSeparators(folder)));
    Preview preview(folder, &window);
    window.show();
    return QApplication::exec();
}
