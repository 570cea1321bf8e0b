#include "paintcounter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

PaintCounter::PaintCounter(QWidget *window)
    : QObject(window),
      window(window)
{
    qApp->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched->parent() == window)
        ++paints;
    return false;
}
