#include "visitgenerator.h"

#include "field/visitstore.h"
#include "pages/catalogue.h"
#include "pages/pageids.h"

#include <QFile>
#include <QMap>
#include <QRandomGenerator>

#include <cmath>

namespace VisitGenerator {

namespace {

// M_PI is POSIX, not standard C++: MinGW has it only on request.
constexpr double Pi = 3.14159265358979323846;

// Visitors by weekday, Monday first: the showroom is shut on Sundays and
// busiest on Saturdays.
const double WeekdayVisits[7] = {90, 110, 120, 125, 150, 260, 0};
// Arrivals by hour from 9 to 18: a late morning and a late afternoon peak.
const double HourWeights[24] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 8, 11, 7, 6, 8, 10, 11, 9, 3, 0, 0, 0, 0, 0};

double normal(QRandomGenerator &random)
{
    // Box-Muller: enough for a plausible spread.
    const double u = qMax(1e-12, random.generateDouble());
    const double v = random.generateDouble();
    return std::sqrt(-2 * std::log(u)) * std::cos(2 * Pi * v);
}

int pick(QRandomGenerator &random, const double *weights, int count)
{
    double total = 0;
    for (int i = 0; i < count; ++i)
        total += weights[i];
    double at = random.generateDouble() * total;
    for (int i = 0; i < count; ++i) {
        if ((at -= weights[i]) < 0)
            return i;
    }
    return count - 1;
}

// Some models draw many more eyes than others.
int model(QRandomGenerator &random)
{
    double weights[Catalogue::ModelCount];
    for (int i = 0; i < Catalogue::ModelCount; ++i)
        weights[i] = 1.0 / std::pow(i + 1, 0.9) * ((i * 7) % 5 + 3);
    return pick(random, weights, Catalogue::ModelCount);
}

// The pages of one visit, home excluded.
QVector<int> walk(QRandomGenerator &random)
{
    QVector<int> pages;
    const double way = random.generateDouble();
    if (way < 0.4) {
        // The model list: a model, perhaps its detail, perhaps another model.
        do {
            const int m = model(random);
            pages << Catalogue::FirstModelPage + m;
            if (random.generateDouble() < 0.55)
                pages << Catalogue::FirstModelPage + m + Catalogue::ModelToDetail;
        } while (random.generateDouble() < 0.3 && pages.size() < 12);
    } else if (way < 0.7) {
        // The questions, down to a recommendation, or given up on the way.
        const int result = Catalogue::FirstResultPage
            + int(random.bounded(Catalogue::LastResultPage - Catalogue::FirstResultPage + 1));
        pages << FirstQuestionPage << GroupChoicePage << Catalogue::resultQuestionPage(result);
        if (random.generateDouble() < 0.8)
            pages << result;
        if (pages.last() == result && random.generateDouble() < 0.5)
            pages << result + Catalogue::ResultToDetail;
    } else if (way < 0.88) {
        // The catalogue's types.
        const int type
            = Catalogue::FirstTypePage + int(random.bounded(Catalogue::LastTypePage - Catalogue::FirstTypePage + 1));
        pages << Catalogue::typeCataloguePage(type) << type;
        if (random.generateDouble() < 0.4)
            pages << Catalogue::typeCataloguePage(type) << Catalogue::FirstTypePage + int(random.bounded(7));
    } else {
        // The features, a page or a few.
        int feature = FirstFeaturePage + int(random.bounded(LastFeaturePage - FirstFeaturePage + 1));
        pages << feature;
        while (feature < LastFeaturePage && random.generateDouble() < 0.5)
            pages << ++feature;
    }
    return pages;
}

} // namespace

Written generate(const QString &database, const QDate &lastDay, int days, quint32 seed, QString *error)
{
    QRandomGenerator random(seed);
    QFile::remove(database);
    VisitStore store(database);
    Written written;
    const QDate epoch(1970, 1, 1);
    for (QDate date = lastDay.addDays(1 - days); date <= lastDay; date = date.addDays(1)) {
        const int day = int(epoch.daysTo(date));
        // Quieter in high summer, busier before Christmas, and a day's own luck.
        const double season = 1 + 0.25 * std::cos(2 * Pi * (date.dayOfYear() - 350) / 365.0);
        const double expected = WeekdayVisits[date.dayOfWeek() - 1] * season * std::exp(0.2 * normal(random));
        const int visits = expected > 0 ? int(expected) : 0;
        QMap<int, int> views;
        Visits::Batch batch;
        views[1] += 1 + visits / 20; // the home page shows after each start
        for (int i = 0; i < visits; ++i) {
            const QVector<int> pages = walk(random);
            Visits::Visit visit;
            visit.startHour = qint64(day) * 24 + pick(random, HourWeights, 24);
            // About a minute and a half, spread wide; the walk sets a floor.
            visit.seconds = qBound(5, int(std::exp(4.4 + 0.7 * normal(random))) + 8 * pages.size(), 1800);
            visit.endPage = pages.last();
            // A visitor who walks away leaves it to the return after two minutes.
            if (random.generateDouble() < 0.35) {
                visit.end = Visits::End::Idle;
                visit.seconds += 120;
            }
            batch.visits << visit;
            for (const int page : pages)
                ++views[page];
            ++views[1];
        }
        for (auto it = views.cbegin(); it != views.cend(); ++it) {
            batch.views.append({day, it.key(), it.value()});
            written.pageViews += it.value();
        }
        written.visits += visits;
        if (!store.write(batch, day)) {
            *error = QStringLiteral("cannot write %1").arg(database);
            return written;
        }
    }
    return written;
}

} // namespace VisitGenerator
