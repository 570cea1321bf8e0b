#ifndef SCREENHOURS_H
#define SCREENHOURS_H

#include <QByteArray>
#include <QDateTime>
#include <QVector>

// Opening hours as a deployer writes them, in local time:
//   "Mon-Fri 08:00-19:00, Sat 09:00-14:00"
// A range of days (it may wrap: Fri-Mon), one day, or none for every day;
// a closing time at or before the opening one runs over midnight into the
// next day; 24:00 closes at the day's end.
class ScreenHours
{
public:
    // Invalid for an empty value or one that is no good.
    static ScreenHours parse(const QByteArray &value);

    bool isValid() const { return !spans.isEmpty(); }
    bool isOpen(const QDateTime &at) const;
    // The next minute at or after which the state differs from that at `at`;
    // invalid when it never changes (open all week).
    QDateTime nextChange(const QDateTime &at) const;

private:
    // Minutes of the week from Monday 00:00, the end past the start; an end
    // beyond the week wraps to its beginning.
    struct Span
    {
        int start;
        int end;
    };
    bool isOpenAtMinute(int minuteOfWeek) const;

    QVector<Span> spans;
};

#endif
