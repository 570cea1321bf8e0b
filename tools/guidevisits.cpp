#include "visitreport.h"

#include <QGuiApplication>

// guide-visits: the visit statistics' report, and a generated year of them.
int main(int argc, char *argv[])
{
    // The chart is drawn offscreen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return VisitReport::run(QGuiApplication::arguments().mid(1));
}
