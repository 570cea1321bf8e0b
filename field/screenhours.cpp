#include "screenhours.h"

#include <QRegularExpression>

namespace {

constexpr int DayMinutes = 24 * 60;
constexpr int WeekMinutes = 7 * DayMinutes;

// 0 for Monday, -1 for no day's name.
int dayFrom(const QString &name)
{
    static const char *const names[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
    for (int day = 0; day < 7; ++day) {
        if (name.compare(QLatin1String(names[day]), Qt::CaseInsensitive) == 0)
            return day;
    }
    return -1;
}

// Minutes of the day; -1 for a time that is none. 24:00 only as an end.
int minutesFrom(const QString &hours, const QString &minutes, bool isEnd)
{
    const int h = hours.toInt();
    const int m = minutes.toInt();
    if (m > 59 || h > 24 || (h == 24 && (m != 0 || !isEnd)))
        return -1;
    return h * 60 + m;
}

int minuteOfWeek(const QDateTime &at)
{
    const QTime time = at.time();
    return (at.date().dayOfWeek() - 1) * DayMinutes + time.hour() * 60 + time.minute();
}

} // namespace

ScreenHours ScreenHours::parse(const QByteArray &value)
{
    static const QRegularExpression entry(QStringLiteral("^\\s*(?:([A-Za-z]{3})(?:\\s*-\\s*([A-Za-z]{3}))?\\s+)?"
                                                         "(\\d{1,2}):(\\d\\d)\\s*-\\s*(\\d{1,2}):(\\d\\d)\\s*$"));
    ScreenHours hours;
    if (value.trimmed().isEmpty())
        return hours;
    QVector<Span> spans;
    for (const QString &part : QString::fromLatin1(value).split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = entry.match(part);
        if (!match.hasMatch())
            return hours;
        int first = 0;
        int last = 6;
        if (match.capturedLength(1) > 0) {
            first = dayFrom(match.captured(1));
            last = match.capturedLength(2) > 0 ? dayFrom(match.captured(2)) : first;
            if (first < 0 || last < 0)
                return hours;
        }
        const int open = minutesFrom(match.captured(3), match.captured(4), false);
        const int close = minutesFrom(match.captured(5), match.captured(6), true);
        if (open < 0 || close < 0 || open == close)
            return hours;
        const int length = close > open ? close - open : close + DayMinutes - open;
        for (int day = first;; day = (day + 1) % 7) {
            const int start = day * DayMinutes + open;
            spans.append({start, start + length});
            if (day == last)
                break;
        }
    }
    hours.spans = spans;
    return hours;
}

bool ScreenHours::isOpenAtMinute(int minute) const
{
    for (const Span &span : spans) {
        if ((minute >= span.start && minute < span.end) || minute + WeekMinutes < span.end)
            return true;
    }
    return false;
}

bool ScreenHours::isOpen(const QDateTime &at) const
{
    return isValid() && isOpenAtMinute(minuteOfWeek(at));
}

QDateTime ScreenHours::nextChange(const QDateTime &at) const
{
    if (!isValid())
        return QDateTime();
    const bool now = isOpen(at);
    // Minute by minute through a week: a few thousand looks, once a change.
    const QDateTime minute = at.addSecs(-at.time().second()).addMSecs(-at.time().msec());
    for (int step = 1; step <= WeekMinutes; ++step) {
        QDateTime next = minute.addSecs(qint64(step) * 60);
        if (isOpenAtMinute(minuteOfWeek(next)) != now)
            return next;
    }
    return QDateTime();
}
