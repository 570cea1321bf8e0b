#ifndef VISITREPORT_H
#define VISITREPORT_H

#include <QDate>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// What one or more panels' visit databases say, for the showroom's owner:
// visits a day, the busiest hours, the pages and models most looked at, how
// long a visit lasts and where visits end.
struct VisitReport
{
    QStringList panels; // the databases read, in order
    QDate since; // as asked, or the first day with data
    QDate until;
    QMap<QDate, int> visitsByDay;
    int visitsByHour[24] = {};
    QMap<int, qint64> viewsByPage;
    QMap<QString, qint64> viewsByModel;
    QMap<int, int> endsByPage;
    int endedByIdle = 0;
    QVector<int> seconds; // every visit's length, sorted
    QMap<QString, int> visitsByPanel;

    int visits() const { return seconds.size(); }
    qint64 pageViews() const;
    int medianSeconds() const;
    int quartileSeconds(int quarter) const;

    // Reads each database into one report; days outside since..until (either
    // may be null) are left out. False, with the reason, when one cannot be read.
    static bool read(const QStringList &databases, const QDate &since, const QDate &until, VisitReport *report,
                     QString *error);

    // A page as the report names it: "61 model 363KU".
    static QString pageName(int page);

    QString table() const;
    QString csv() const;
    // A chart of the visits a day, the busiest hours and the models, as PNG.
    bool writeChart(const QString &file, QString *error) const;

    static int run(const QStringList &arguments);
};

#endif
