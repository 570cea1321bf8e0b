#include "field/fieldwatch.h"
#include "shell/basewidget.h"
#include "shell/guidefont.h"

#include <QApplication>
#include <QFont>
#include <QTextCodec>

int main(int argc, char *argv[])
{
    // `quorvel-guide --screenshot FILE`: a picture of the running guide's window.
    const int screenshot = FieldWatch::screenshotCommand(argc, argv);
    if (screenshot >= 0)
        return screenshot;

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
    window.show();
    FieldWatch field(&window);
    return app.exec();
}
