#ifndef VISITGENERATOR_H
#define VISITGENERATOR_H

#include <QDate>
#include <QString>

// A plausible year (or any number of days) of a busy showroom's visits,
// written into a visit database through the guide's own store: for the tests
// and the documents. The same seed gives the same visits.
namespace VisitGenerator {

struct Written
{
    int visits = 0;
    int pageViews = 0;
};

Written generate(const QString &database, const QDate &lastDay, int days, quint32 seed, QString *error);

} // namespace VisitGenerator

#endif
