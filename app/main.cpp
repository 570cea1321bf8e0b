#include "field/fieldlayer.h"
#include "shell/basewidget.h"
#include "shell/guidefont.h"

#include <QApplication>
#include <QFont>
#include <QTextCodec>

int main(int argc, char *argv[])
{
    // What the kiosk and its operator ask without a window (the opening
    // hours, a picture of the screen).
    const int answered = FieldLayer::answer(argc, argv);
    if (answered >= 0)
        return answered;

    // The guide never draws with OpenGL, so on X11 it skips the GL integration
    // and the driver libraries it would load (tens of MB, and time at start),
    // unless the user has chosen an integration.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));

    const QFont font = guideFont();
    QApplication::setFont(font);

    Basewidget window;
    window.setWindowTitle(QStringLiteral("Varnholt Crop."));
    FieldLayer field(&window);
    window.show();
    return app.exec();
}
