#include "shell/basewidget.h"
#include "shell/guidefont.h"

#include "support/guidetest.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

// The guide asks for its font family by name, and many systems (Wine among
// them) have no such family: whatever family stands in, the size and the
// weight hold, and every row of the model list still fits its box.
class TestFontFallback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void sizeAndWeightHold();
    void modelListRowFits_data();
    void modelListRowFits();

private:
    Basewidget *window = nullptr;
    QComboBox *list = nullptr;
};

void TestFontFallback::initTestCase()
{
    QApplication::setFont(guideFont());
    window = new Basewidget;
    QVERIFY(GuideTest::showHome(*window));
    list = window->findChild<QComboBox *>();
    QVERIFY(list);
}

void TestFontFallback::cleanupTestCase()
{
    delete window;
}

void TestFontFallback::sizeAndWeightHold()
{
    const QFontInfo shown(list->font());
    qInfo("The model list is drawn in \"%s\"", qPrintable(shown.family()));
    QVERIFY(!shown.family().isEmpty());
    QCOMPARE(shown.pixelSize(), 26);
    QVERIFY2(shown.weight() >= QFont::DemiBold, qPrintable(QString::number(shown.weight())));
}

void TestFontFallback::modelListRowFits_data()
{
    QTest::addColumn<int>("row");
    for (int row = 0; row < list->count(); ++row)
        QTest::newRow(qPrintable(list->itemText(row))) << row;
}

void TestFontFallback::modelListRowFits()
{
    QFETCH(int, row);

    // The closed list shows the chosen row in its edit field. The row is not
    // chosen here: that would open a model page.
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = list->isEditable();
    option.currentText = list->itemText(row);
    const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    const QFontMetrics metrics(list->font());
    const QRect text = metrics.boundingRect(list->itemText(row));
    QVERIFY2(text.width() <= field.width(),
             qPrintable(QStringLiteral("\"%1\" is %2 pixels wide, its field %3")
                            .arg(list->itemText(row))
                            .arg(text.width())
                            .arg(field.width())));
    QVERIFY2(
        metrics.height() <= list->height(),
        qPrintable(QStringLiteral("a line is %1 pixels high, the list %2").arg(metrics.height()).arg(list->height())));
}

QTEST_MAIN(TestFontFallback)
#include "tst_fontfallback.moc"
