#include "minimalwindow.h"

#include "shell/picturefile.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QWidget>

// The yardstick for the guide's start: the least a Qt Widgets program can do
// to show a window of the guide's size, with Qt's defaults left as they are.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(PageSize);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(MinimalWindowColour));
    window.setPalette(palette);
    window.show();
    return app.exec();
}
