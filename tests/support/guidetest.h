#ifndef GUIDETEST_H
#define GUIDETEST_H

#include "shell/abstractquorvelwidget.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QVector>

class Basewidget;

// Real presses through the window system, delivered to whatever widget lies
// under the point, as a visitor's finger would be. The window must be shown.
namespace GuideTest {

void press(Basewidget &window, QPoint point);
void release(Basewidget &window, QPoint point);
void click(Basewidget &window, QPoint point);

// Centres of the navigation buttons, in window coordinates.
constexpr QPoint PreviousButton(875, 25);
constexpr QPoint NextButton(925, 25);
constexpr QPoint HomeButton(975, 25);

// Shows the window and waits until the home page is on it, the start picture
// cut short. False, with the test failed, when it does not come:
// QVERIFY(showHome(window)) stops the caller too.
Q_REQUIRED_RESULT bool showHome(Basewidget &window);

// Cuts the start picture short, as closing the window would, so that the end
// of the delay cannot replace a page in the middle of a test. False as above.
Q_REQUIRED_RESULT bool skipStartDelay(Basewidget &window);

// The class name of the page on show, "QuorvelLayer4" and so on.
QByteArray pageClass(const Basewidget &window);

// The id of the page on show; the start, home and first question pages keep
// no pageId, so they are told by their class.
PageId shownPageId(const Basewidget &window);

// The class that serves a page id, as the guide documents them, and the pageId
// its page keeps (NoPageId for the start, home and first question pages).
QByteArray pageClassOf(PageId id);
PageId keptPageId(PageId id);

// One way from a page to another, found by pressing.
struct Edge
{
    PageId from;
    PageId to;
    QString via; // "previous", "next", "home", "hot-spot", "row 5", "start delay"
    int requests; // how many requests the press made; for the start delay, pages shown
};

// Starts from the start page of a window just shown, and presses, through the
// window, the centre of every visible button of every page reached, and
// chooses every row of the model list, until nothing new appears. to is
// NoPageId where the page stayed.
QVector<Edge> explore(Basewidget &window);

} // namespace GuideTest

// Moves the picture cache's clock a second and a bit on, for as long as this
// lives: a file just written looks settled without waiting for it.
class ASecondLater
{
public:
    ASecondLater() { CachedPicture::clock = later; }
    ~ASecondLater() { CachedPicture::clock = previous; }

private:
    static qint64 later() { return QDateTime::currentMSecsSinceEpoch() * 1000000 + qint64(1100) * 1000000; }
    qint64 (*const previous)() = CachedPicture::clock;
};

// Records every page the window shows, in order.
class PageLog : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QByteArray pageClass;
        PageId pageId;
        QElapsedTimer shownAt; // started when the page was shown
    };

    explicit PageLog(Basewidget *window);
    QVector<Entry> entries;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Basewidget *window = nullptr;
};

#endif
