#ifndef MEASURES_H
#define MEASURES_H

#include <QColor>
#include <QVector>

#include <algorithm>

// Figures the tests and the bench both judge by.
namespace Measures {

// The middle value; for an even count, the mean of the two middle ones.
// Negative when there are no values.
template <typename Number>
double median(QVector<Number> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? double(values[middle]) : (double(values[middle - 1]) + double(values[middle])) / 2;
}

// How far apart two colours are: the sum of the channels' differences.
int colourDistance(const QColor &a, const QColor &b);

// Below this two colours are the same picture, whatever JPEG made of it.
constexpr int SameColour = 24;

} // namespace Measures

#endif
