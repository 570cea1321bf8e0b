#include "measures/measures.h"

#include <QTest>

// The figures the monkey's memory check and the bench's table are judged by.
class TestMeasures : public QObject
{
    Q_OBJECT

private slots:
    void median_data();
    void median();
};

void TestMeasures::median_data()
{
    QTest::addColumn<QVector<qint64>>("values");
    QTest::addColumn<double>("expected");

    QTest::newRow("none") << QVector<qint64>() << -1.0;
    QTest::newRow("one") << QVector<qint64>{7} << 7.0;
    QTest::newRow("odd count, unsorted") << QVector<qint64>{9, 1, 5} << 5.0;
    QTest::newRow("even count: the mean of the middle two") << QVector<qint64>{40, 10, 30, 20} << 25.0;
    QTest::newRow("even count, one outlier") << QVector<qint64>{100, 100, 101, 5000} << 100.5;
}

void TestMeasures::median()
{
    QFETCH(QVector<qint64>, values);
    QFETCH(double, expected);
    QCOMPARE(Measures::median(values), expected);
}

QTEST_MAIN(TestMeasures)
#include "tst_measures.moc"
