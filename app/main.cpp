#include "shell/basewidget.h"

#include <QApplication>
#include <QFont>
#include <QTextCodec>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));

    QFont font;
    font.setFamily(QStringLiteral("Microsoft JhengHei"));
    font.setPixelSize(26);
    font.setWeight(QFont::Bold);
    QApplication::setFont(font);

    Basewidget window;
    window.setWindowTitle(QStringLiteral("Varnholt Crop."));
    window.show();
    return app.exec();
}
