#ifndef VISITRECORDER_H
#define VISITRECORDER_H

#include "visits.h"

#include "shell/pageid.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

// Turns the pages the window shows into visits: a visit begins when a page
// other than the home page (or the start picture) follows the home page, and
// ends when the home page shows again. Lives on the window's thread and only
// counts in memory: taking the batch for the database is the caller's.
class VisitRecorder : public QObject
{
    Q_OBJECT

public:
    explicit VisitRecorder(QObject *parent = nullptr);

    void pageShown(PageId id, const QDateTime &at);
    // The return after inactivity just took the guide home: the visit that
    // ended with it ended so.
    void idleReturned();

    // What was counted since the last call, emptied.
    Visits::Batch take();
    // Since the guide started, for the metrics.
    qint64 pageViews() const { return pageViewCount; }
    qint64 visits(Visits::End end) const { return visitCount[int(end)]; }

public slots:
    void sltPageShown(int idx);
    void sltIdleReturn(int idx);

private:
    QHash<QPair<int, int>, int> views; // (day, page) -> views
    QVector<Visits::Visit> ended;
    bool inVisit = false;
    QDateTime visitStart;
    PageId lastPage = NoPageId;
    // The last page shown ended a visit, and nothing has shown since.
    bool justEnded = false;
    qint64 pageViewCount = 0;
    qint64 visitCount[2] = {0, 0};
};

#endif
