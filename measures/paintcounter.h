#ifndef PAINTCOUNTER_H
#define PAINTCOUNTER_H

#include <QObject>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// Counts the paint events that reach the pages of a window, whichever page is
// on show: the window builds a new page object for every switch.
class PaintCounter : public QObject
{
    Q_OBJECT

public:
    explicit PaintCounter(QWidget *window);

    int count() const { return paints; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window = nullptr;
    int paints = 0;
};

#endif
