#include "visitreport.h"

#include "visitgenerator.h"

#include "field/sqlitedatabase.h"
#include "field/visits.h"
#include "pages/catalogue.h"
#include "shell/guidefont.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QDate Epoch(1970, 1, 1);

const char *kindName(Catalogue::PageKind kind)
{
    using Catalogue::PageKind;
    switch (kind) {
    case PageKind::Start:
        return "start";
    case PageKind::Home:
        return "home";
    case PageKind::Feature:
        return "feature";
    case PageKind::Question:
        return "question";
    case PageKind::Choice:
        return "choice";
    case PageKind::CodeGroup:
        return "code group";
    case PageKind::Result:
        return "result";
    case PageKind::Model:
        return "model";
    case PageKind::Detail:
        return "detail";
    case PageKind::Type:
        return "type";
    }
    return "";
}

QString percent(qint64 part, qint64 whole)
{
    return whole > 0
        ? QString::number(100.0 * static_cast<double>(part) / static_cast<double>(whole), 'f', 1) + QLatin1Char('%')
        : QStringLiteral("-");
}

QString duration(int seconds)
{
    return seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'))
                         : QStringLiteral("%1 s").arg(seconds);
}

// The n largest, largest first, ties by key.
template <typename Key, typename Value>
QVector<QPair<Key, Value>> top(const QMap<Key, Value> &map, int n)
{
    QVector<QPair<Key, Value>> items;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        items.append(qMakePair(it.key(), it.value()));
    std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    if (items.size() > n)
        items.resize(n);
    return items;
}

QString csvField(QString text)
{
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))) {
        text.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

const char Usage[] = R"(usage: guide-visits COMMAND

  report [--since DATE] [--until DATE] [--csv] [--chart FILE.png] DATABASE...
                         what visitors did, from one panel's visit database
                         (copied off it: /var/lib/quorvel-guide-kiosk/visits.sqlite)
                         or several at once, a fleet's: visits a day, the
                         busiest hours, the pages and models most looked at,
                         the median visit length and where visits end. A
                         table, or CSV; --chart also draws it. DATE: 2026-03-14
  generate [--days N] [--until DATE] [--seed N] DATABASE
                         write a plausible N days (365) of a busy showroom's
                         visits up to DATE (yesterday) into a new DATABASE
)";

int usage(const QString &problem)
{
    QTextStream err(stderr);
    if (!problem.isEmpty())
        err << "guide-visits: " << problem << "\n\n";
    err << Usage;
    return 2;
}

bool takeOption(QStringList *args, const QString &name, QString *value)
{
    const int at = args->indexOf(name);
    if (at < 0)
        return true;
    if (at + 1 >= args->size())
        return false;
    *value = args->at(at + 1);
    args->removeAt(at + 1);
    args->removeAt(at);
    return true;
}

bool dateOption(QStringList *args, const QString &name, QDate *date)
{
    QString value;
    if (!takeOption(args, name, &value))
        return false;
    if (value.isEmpty())
        return true;
    *date = QDate::fromString(value, Qt::ISODate);
    return date->isValid();
}

} // namespace

qint64 VisitReport::pageViews() const
{
    qint64 views = 0;
    for (const qint64 count : viewsByPage)
        views += count;
    return views;
}

int VisitReport::quartileSeconds(int quarter) const
{
    if (seconds.isEmpty())
        return 0;
    return seconds.at(qMin(seconds.size() - 1, seconds.size() * quarter / 4));
}

int VisitReport::medianSeconds() const
{
    if (seconds.isEmpty())
        return 0;
    const int n = seconds.size();
    return n % 2 ? seconds.at(n / 2) : (seconds.at(n / 2 - 1) + seconds.at(n / 2)) / 2;
}

QString VisitReport::pageName(int page)
{
    QString name = QStringLiteral("%1 %2").arg(page).arg(QLatin1String(kindName(Catalogue::pageKind(page))));
    if (const char *model = Catalogue::pageModel(page))
        name += QLatin1Char(' ') + QLatin1String(model);
    else if (Catalogue::pageKind(page) == Catalogue::PageKind::Type)
        name += QLatin1Char(' ') + QString(QLatin1Char(Catalogue::typeLetter(page)));
    return name;
}

bool VisitReport::read(const QStringList &databases, const QDate &since, const QDate &until, VisitReport *report,
                       QString *error)
{
    const qint64 firstDay = since.isValid() ? Epoch.daysTo(since) : std::numeric_limits<int>::min();
    const qint64 lastDay = until.isValid() ? Epoch.daysTo(until) : std::numeric_limits<int>::max();
    qint64 seenFirst = std::numeric_limits<qint64>::max();
    qint64 seenLast = std::numeric_limits<qint64>::min();
    for (const QString &database : databases) {
        if (!QFileInfo(database).isFile()) {
            *error = QStringLiteral("%1: no such file").arg(database);
            return false;
        }
        // A copy off a panel is only read.
        SqliteDatabase db;
        bool ok = db.open(database, SqliteDatabase::Mode::ReadOnly);
        int visits = 0;
        if (ok) {
            SqliteDatabase::Query query(db,
                                        QStringLiteral("SELECT start_hour, seconds, end_page, ended_by FROM visits "
                                                       "WHERE start_hour >= %1 AND start_hour < %2")
                                            .arg(qMax<qint64>(firstDay, -1000000) * 24)
                                            .arg((qMin<qint64>(lastDay, 1000000) + 1) * 24));
            while (query.next()) {
                const qint64 hour = query.integer(0);
                const qint64 day = hour / 24;
                seenFirst = qMin(seenFirst, day);
                seenLast = qMax(seenLast, day);
                ++report->visitsByDay[Epoch.addDays(day)];
                ++report->visitsByHour[int(hour % 24)];
                report->seconds << int(query.integer(1));
                ++report->endsByPage[int(query.integer(2))];
                report->endedByIdle += query.integer(3) == int(Visits::End::Idle) ? 1 : 0;
                ++visits;
            }
            ok = !query.hasFailed();
        }
        if (ok) {
            SqliteDatabase::Query query(db,
                                        QStringLiteral("SELECT page, sum(views) FROM page_views WHERE day >= %1 "
                                                       "AND day <= %2 GROUP BY page")
                                            .arg(qMax<qint64>(firstDay, -1000000))
                                            .arg(qMin<qint64>(lastDay, 1000000)));
            while (query.next()) {
                const int page = int(query.integer(0));
                const qint64 views = query.integer(1);
                report->viewsByPage[page] += views;
                if (const char *model = Catalogue::pageModel(page))
                    report->viewsByModel[QLatin1String(model)] += views;
            }
            ok = !query.hasFailed();
        }
        if (!ok) {
            *error = QStringLiteral("%1: %2").arg(database, db.errorText());
            return false;
        }
        report->visitsByPanel[database] = visits;
        report->panels << database;
    }
    std::sort(report->seconds.begin(), report->seconds.end());
    report->since = since.isValid() ? since : seenFirst <= seenLast ? Epoch.addDays(seenFirst) : QDate();
    report->until = until.isValid() ? until : seenFirst <= seenLast ? Epoch.addDays(seenLast) : QDate();
    // Every day of the period, those without a visit too.
    if (report->since.isValid() && report->until.isValid() && report->since.daysTo(report->until) < 5000) {
        for (QDate day = report->since; day <= report->until; day = day.addDays(1))
            report->visitsByDay[day] += 0;
    }
    return true;
}

QString VisitReport::table() const
{
    QString text;
    QTextStream out(&text);
    const int days = visitsByDay.size();
    const int open = int(std::count_if(visitsByDay.cbegin(), visitsByDay.cend(), [](int v) { return v > 0; }));
    out << "Visits from " << since.toString(Qt::ISODate) << " to " << until.toString(Qt::ISODate) << ", "
        << panels.size() << (panels.size() == 1 ? " panel" : " panels") << "\n\n";
    out << QStringLiteral("  %1 visits, %2 page views\n").arg(visits()).arg(pageViews());
    out << QStringLiteral("  %1 visits a day on the %2 days with visits (%3 days in all)\n")
               .arg(open ? double(visits()) / open : 0.0, 0, 'f', 1)
               .arg(open)
               .arg(days);
    out << QStringLiteral("  median visit %1 (half of them from %2 to %3)\n")
               .arg(duration(medianSeconds()), duration(quartileSeconds(1)), duration(quartileSeconds(3)));
    out << QStringLiteral("  %1 ended by the home button, %2 by the return after inactivity\n")
               .arg(percent(visits() - endedByIdle, visits()), percent(endedByIdle, visits()));
    if (panels.size() > 1) {
        out << "\nPanel                                         Visits\n";
        for (auto it = visitsByPanel.cbegin(); it != visitsByPanel.cend(); ++it)
            out << QStringLiteral("  %1 %2\n").arg(it.key(), -44).arg(it.value(), 6);
    }

    out << "\nVisits a day, by month    Days  Visits  A day  Busiest day\n";
    QMap<QString, QPair<int, int>> months; // visits, days
    QMap<QString, QPair<QDate, int>> busiest;
    for (auto it = visitsByDay.cbegin(); it != visitsByDay.cend(); ++it) {
        const QString month = it.key().toString(QStringLiteral("yyyy-MM"));
        months[month].first += it.value();
        months[month].second += it.value() > 0 ? 1 : 0;
        if (it.value() > busiest[month].second)
            busiest[month] = qMakePair(it.key(), it.value());
    }
    for (auto it = months.cbegin(); it != months.cend(); ++it) {
        const QPair<QDate, int> day = busiest.value(it.key());
        out << QStringLiteral("  %1 %2 %3 %4  %5\n")
                   .arg(it.key(), -22)
                   .arg(it.value().second, 5)
                   .arg(it.value().first, 7)
                   .arg(it.value().second ? double(it.value().first) / it.value().second : 0.0, 6, 'f', 1)
                   .arg(day.first.isValid()
                            ? day.first.toString(QStringLiteral("ddd d")) + QStringLiteral(" (%1)").arg(day.second)
                            : QString());
    }

    out << "\nBusiest hours             Visits  Share\n";
    for (int hour = 0; hour < 24; ++hour) {
        if (!visitsByHour[hour])
            continue;
        const int bar = visits() ? int(std::lround(100.0 * visitsByHour[hour] / visits())) : 0;
        out << QStringLiteral("  %1:00 to %2:00          %3 %4  %5\n")
                   .arg(hour, 2, 10, QLatin1Char('0'))
                   .arg(hour + 1, 2, 10, QLatin1Char('0'))
                   .arg(visitsByHour[hour], 6)
                   .arg(percent(visitsByHour[hour], visits()), 6)
                   .arg(QString(bar, QLatin1Char('#')));
    }

    // The ten largest counts of a kind, each as its share of the whole.
    const auto ranked = [&out](const char *heading, const auto &rows, qint64 whole, const auto &nameOf) {
        out << heading;
        for (const auto &row : rows)
            out << QStringLiteral("  %1 %2 %3\n")
                       .arg(nameOf(row.first), -22)
                       .arg(row.second, 7)
                       .arg(percent(row.second, whole), 6);
    };
    ranked("\nPages most looked at      Views   Share\n", top(viewsByPage, 10), pageViews(), &VisitReport::pageName);
    qint64 modelViews = 0;
    for (const qint64 views : viewsByModel)
        modelViews += views;
    ranked("\nModels most looked at     Views   Share\n", top(viewsByModel, 10), modelViews,
           [](const QString &model) { return model; });
    ranked("\nWhere visits end          Visits  Share\n", top(endsByPage, 10), qint64(visits()),
           &VisitReport::pageName);
    out.flush();
    return text;
}

QString VisitReport::csv() const
{
    QString text;
    QTextStream out(&text);
    out << "section,item,count\n";
    out << "total,visits," << visits() << '\n';
    out << "total,page views," << pageViews() << '\n';
    out << "total,median seconds," << medianSeconds() << '\n';
    out << "total,ended by idle return," << endedByIdle << '\n';
    for (auto it = visitsByPanel.cbegin(); it != visitsByPanel.cend(); ++it)
        out << "panel," << csvField(it.key()) << ',' << it.value() << '\n';
    for (auto it = visitsByDay.cbegin(); it != visitsByDay.cend(); ++it)
        out << "day," << it.key().toString(Qt::ISODate) << ',' << it.value() << '\n';
    for (int hour = 0; hour < 24; ++hour)
        out << "hour," << hour << ',' << visitsByHour[hour] << '\n';
    for (const auto &page : top(viewsByPage, PageCount))
        out << "page views," << csvField(pageName(page.first)) << ',' << page.second << '\n';
    for (const auto &model : top(viewsByModel, Catalogue::ModelCount))
        out << "model views," << model.first << ',' << model.second << '\n';
    for (const auto &page : top(endsByPage, PageCount))
        out << "visit ends," << csvField(pageName(page.first)) << ',' << page.second << '\n';
    out.flush();
    return text;
}

bool VisitReport::writeChart(const QString &file, QString *error) const
{
    const QColor ink(0x33, 0x33, 0x33);
    const QColor bar(0x2f, 0x6d, 0xb5);
    const QColor light(0xb8, 0xcf, 0xea);
    const QColor accent(0xe0, 0x7b, 0x26);
    QImage image(1200, 860, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = guideFont();
    font.setPixelSize(15);
    QFont title = font;
    title.setPixelSize(22);
    title.setBold(true);
    QFont heading = font;
    heading.setPixelSize(17);
    heading.setBold(true);
    painter.setPen(ink);
    painter.setFont(title);
    painter.drawText(
        QRect(30, 16, 1140, 30), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Visits from %1 to %2").arg(since.toString(Qt::ISODate), until.toString(Qt::ISODate)));
    painter.setFont(font);
    const int open = int(std::count_if(visitsByDay.cbegin(), visitsByDay.cend(), [](int v) { return v > 0; }));
    painter.drawText(QRect(30, 48, 1140, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 visits on %2 panel%3 · %4 a day when open · median visit %5 · %6 ended by "
                                    "the return after inactivity")
                         .arg(visits())
                         .arg(panels.size())
                         .arg(panels.size() == 1 ? "" : "s")
                         .arg(open ? double(visits()) / open : 0.0, 0, 'f', 0)
                         .arg(duration(medianSeconds()), percent(endedByIdle, visits())));

    // Visits a day: a bar a day, and the average of the week around it.
    const QRect daysArea(70, 125, 1100, 265);
    painter.setFont(heading);
    painter.drawText(QRect(30, 82, 600, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Visits a day"));
    painter.setFont(font);
    int most = 1;
    for (const int v : visitsByDay)
        most = qMax(most, v);
    const int step = most > 400 ? 100 : most > 200 ? 50 : most > 80 ? 20 : 10;
    const int top = (most + step - 1) / step * step;
    painter.setPen(QColor(0xdd, 0xdd, 0xdd));
    for (int v = 0; v <= top; v += step) {
        const int y = daysArea.bottom() - daysArea.height() * v / top;
        painter.setPen(QColor(0xdd, 0xdd, 0xdd));
        painter.drawLine(daysArea.left(), y, daysArea.right(), y);
        painter.setPen(ink);
        painter.drawText(QRect(10, y - 10, 52, 20), Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    const int count = qMax(1, visitsByDay.size());
    const double width = double(daysArea.width()) / count;
    const QVector<int> values = visitsByDay.values().toVector();
    const QVector<QDate> dates = visitsByDay.keys().toVector();
    painter.setPen(Qt::NoPen);
    painter.setBrush(light);
    for (int i = 0; i < values.size(); ++i) {
        const double h = double(daysArea.height()) * values.at(i) / top;
        painter.drawRect(QRectF(daysArea.left() + i * width, daysArea.bottom() - h, qMax(1.0, width - 0.5), h));
    }
    QPainterPath week;
    for (int i = 0; i < values.size(); ++i) {
        double sum = 0;
        int n = 0;
        for (int j = qMax(0, i - 3); j <= qMin(values.size() - 1, i + 3); ++j, ++n)
            sum += values.at(j);
        const QPointF point(daysArea.left() + (i + 0.5) * width, daysArea.bottom() - daysArea.height() * sum / n / top);
        if (i == 0)
            week.moveTo(point);
        else
            week.lineTo(point);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(bar, 2.5));
    painter.drawPath(week);
    painter.setPen(ink);
    for (int i = 0; i < dates.size(); ++i) {
        if (dates.at(i).day() != 1 && i != 0)
            continue;
        const int x = int(daysArea.left() + i * width);
        painter.drawLine(x, daysArea.bottom(), x, daysArea.bottom() + 5);
        painter.drawText(QRect(x + 3, daysArea.bottom() + 4, 90, 20), Qt::AlignLeft | Qt::AlignVCenter,
                         dates.at(i).toString(QStringLiteral("MMM yy")));
    }
    painter.drawLine(daysArea.bottomLeft(), daysArea.bottomRight());
    painter.setPen(QPen(bar, 2.5));
    painter.drawLine(900, 94, 930, 94);
    painter.setPen(ink);
    painter.drawText(QRect(936, 84, 240, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("the week around"));

    // The busiest hours.
    const QRect hoursArea(70, 480, 480, 320);
    painter.setFont(heading);
    painter.drawText(QRect(30, 440, 520, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Busiest hours"));
    painter.setFont(font);
    int firstHour = 23, lastHour = 0, mostHour = 1;
    for (int hour = 0; hour < 24; ++hour) {
        if (visitsByHour[hour]) {
            firstHour = qMin(firstHour, hour);
            lastHour = qMax(lastHour, hour);
            mostHour = qMax(mostHour, visitsByHour[hour]);
        }
    }
    if (firstHour > lastHour)
        firstHour = lastHour = 12;
    const int hours = lastHour - firstHour + 1;
    const double hourWidth = double(hoursArea.width()) / hours;
    for (int hour = firstHour; hour <= lastHour; ++hour) {
        const double h = double(hoursArea.height() - 30) * visitsByHour[hour] / mostHour;
        const QRectF column(hoursArea.left() + (hour - firstHour) * hourWidth + 3, hoursArea.bottom() - h,
                            hourWidth - 6, h);
        painter.setPen(Qt::NoPen);
        painter.setBrush(visitsByHour[hour] == mostHour ? accent : bar);
        painter.drawRect(column);
        painter.setPen(ink);
        painter.drawText(QRectF(column.left() - 6, hoursArea.bottom() + 4, hourWidth, 20), Qt::AlignCenter,
                         QString::number(hour));
        painter.drawText(QRectF(column.left() - 6, column.top() - 22, hourWidth, 20), Qt::AlignCenter,
                         percent(visitsByHour[hour], visits()).chopped(3) + QLatin1Char('%'));
    }
    painter.drawText(QRect(hoursArea.left(), hoursArea.bottom() + 24, hoursArea.width(), 20), Qt::AlignCenter,
                     QStringLiteral("hour a visit began, share of visits"));

    // The models most looked at.
    const QRect modelsArea(760, 480, 390, 330);
    painter.setFont(heading);
    painter.drawText(QRect(620, 440, 560, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Models most looked at (page views)"));
    painter.setFont(font);
    const auto models = ::top(viewsByModel, 10);
    const qint64 mostModel = models.isEmpty() ? 1 : qMax<qint64>(1, models.first().second);
    const double row = double(modelsArea.height()) / 10;
    for (int i = 0; i < models.size(); ++i) {
        const double y = modelsArea.top() + i * row;
        painter.setPen(ink);
        painter.drawText(QRectF(620, y, 130, row), Qt::AlignRight | Qt::AlignVCenter, models.at(i).first);
        const double w = (modelsArea.width() - 70) * double(models.at(i).second) / static_cast<double>(mostModel);
        painter.setPen(Qt::NoPen);
        painter.setBrush(i == 0 ? accent : bar);
        painter.drawRect(QRectF(modelsArea.left(), y + 5, w, row - 10));
        painter.setPen(ink);
        painter.drawText(QRectF(modelsArea.left() + w + 6, y, 80, row), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(models.at(i).second));
    }
    painter.end();
    if (!image.save(file, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(file);
        return false;
    }
    return true;
}

int VisitReport::run(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.isEmpty())
        return usage(QString());
    const QString command = args.takeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (command == QLatin1String("generate")) {
        QString days = QStringLiteral("365");
        QString seed = QStringLiteral("1");
        QDate until = QDate::currentDate().addDays(-1);
        if (!takeOption(&args, QStringLiteral("--days"), &days) || !takeOption(&args, QStringLiteral("--seed"), &seed)
            || !dateOption(&args, QStringLiteral("--until"), &until) || args.size() != 1 || days.toInt() < 1
            || args.first().startsWith(QLatin1Char('-')))
            return usage(QStringLiteral("generate takes [--days N] [--until DATE] [--seed N] DATABASE"));
        QString error;
        const VisitGenerator::Written written
            = VisitGenerator::generate(args.first(), until, days.toInt(), seed.toUInt(), &error);
        if (!error.isEmpty()) {
            err << "guide-visits: " << error << '\n';
            return 1;
        }
        out << "Wrote " << written.visits << " visits and " << written.pageViews << " page views over " << days
            << " days into " << args.first() << " (" << QFileInfo(args.first()).size() << " bytes).\n";
        return 0;
    }
    if (command != QLatin1String("report"))
        return usage(QStringLiteral("unknown command %1").arg(command));
    QDate since;
    QDate until;
    QString chart;
    const bool csv = args.removeAll(QStringLiteral("--csv")) > 0;
    if (!dateOption(&args, QStringLiteral("--since"), &since) || !dateOption(&args, QStringLiteral("--until"), &until))
        return usage(QStringLiteral("--since and --until take a date such as 2026-03-14"));
    if (!takeOption(&args, QStringLiteral("--chart"), &chart))
        return usage(QStringLiteral("--chart takes a file name"));
    if (args.isEmpty())
        return usage(QStringLiteral("report takes one database or more"));
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1Char('-')))
            return usage(QStringLiteral("unknown option %1").arg(arg));
    }
    VisitReport report;
    QString error;
    if (!read(args, since, until, &report, &error) || (!chart.isEmpty() && !report.writeChart(chart, &error))) {
        err << "guide-visits: " << error << '\n';
        return 1;
    }
    out << (csv ? report.csv() : report.table());
    return 0;
}
