#include "visitrecorder.h"

VisitRecorder::VisitRecorder(QObject *parent)
    : QObject(parent)
{
}

void VisitRecorder::pageShown(PageId id, const QDateTime &at)
{
    ++pageViewCount;
    ++views[qMakePair(Visits::localDay(at), int(id))];
    justEnded = false;
    if (id == HomePageId) {
        if (inVisit) {
            Visits::Visit visit;
            visit.startHour = Visits::localHour(visitStart);
            // A clock set back meanwhile makes no visit of negative length.
            visit.seconds = int(qBound<qint64>(0, visitStart.secsTo(at), qint64(7) * 86400));
            visit.endPage = lastPage;
            ended.append(visit);
            ++visitCount[int(Visits::End::Button)];
            inVisit = false;
            justEnded = true;
        }
    } else if (id != StartPageId && !inVisit && lastPage == HomePageId) {
        inVisit = true;
        visitStart = at;
    } else if (id == StartPageId) {
        inVisit = false;
    }
    lastPage = id;
}

void VisitRecorder::idleReturned()
{
    // The window heard the return first and has shown the home page.
    if (!justEnded || ended.isEmpty())
        return;
    ended.last().end = Visits::End::Idle;
    --visitCount[int(Visits::End::Button)];
    ++visitCount[int(Visits::End::Idle)];
    justEnded = false;
}

Visits::Batch VisitRecorder::take()
{
    Visits::Batch batch;
    for (auto it = views.cbegin(); it != views.cend(); ++it)
        batch.views.append({it.key().first, it.key().second, it.value()});
    batch.visits = ended;
    views.clear();
    ended.clear();
    return batch;
}

void VisitRecorder::sltPageShown(int idx)
{
    pageShown(idx, QDateTime::currentDateTime());
}

void VisitRecorder::sltIdleReturn(int)
{
    idleReturned();
}
