#ifndef VISITS_H
#define VISITS_H

#include <QDateTime>
#include <QVector>

// What the visit statistics keep: nothing about a visitor, only how many
// pages were shown on a day, and for each visit the hour it began, its length
// and where it ended. Days and hours are counted in the panel's local time,
// since 1970: the report's busiest hours are the showroom's own.
namespace Visits {

// How a visit ended: on the home button (or any press that leads home), or
// by the return to the home page after nobody pressed for a while.
enum class End { Button = 0, Idle = 1 };

struct PageViews
{
    int day = 0;
    int page = 0;
    int views = 0;
};

struct Visit
{
    qint64 startHour = 0;
    int seconds = 0;
    int endPage = 0;
    End end = End::Button;
};

struct Batch
{
    QVector<PageViews> views;
    QVector<Visit> visits;
    bool isEmpty() const { return views.isEmpty() && visits.isEmpty(); }
};

inline qint64 localHour(const QDateTime &time)
{
    const qint64 seconds = time.toSecsSinceEpoch() + time.offsetFromUtc();
    return seconds >= 0 ? seconds / 3600 : (seconds - 3599) / 3600;
}

inline int localDay(const QDateTime &time)
{
    const qint64 hour = localHour(time);
    return int(hour >= 0 ? hour / 24 : (hour - 23) / 24);
}

} // namespace Visits

#endif
