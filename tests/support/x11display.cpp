#include "x11display.h"

#include "patience.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <QTest>
#include <QVector>

#include <X11/extensions/XTest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <X11/extensions/dpms.h>

namespace {

QString windowTitle(Display *display, Window window)
{
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long left = 0;
    unsigned char *data = nullptr;
    QString title;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &items, &left, &data)
            == Success
        && data) {
        title = QString::fromUtf8(reinterpret_cast<const char *>(data), int(items));
    }
    if (data)
        XFree(data);
    return title;
}

// Without a window manager the programs' windows are the root's children.
QVector<Window> shownWindows(Display *display)
{
    QVector<Window> shown;
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
                shown.append(children[i]);
        }
        XFree(children);
    }
    return shown;
}

} // namespace

XvfbServer::~XvfbServer()
{
    server.terminate();
    server.waitForFinished(Patience::Ms);
}

bool XvfbServer::start(QString *error)
{
    // With -displayfd, Xvfb picks a free display and writes its number once it
    // accepts connections. Without -noreset it resets when its last client
    // leaves, as one test row's guide and connection do, and closes a
    // connection the next row opens meanwhile.
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("2048x1280x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                  QStringLiteral("-noreset")});
    if (!server.waitForStarted(Patience::Ms)) {
        *error = QStringLiteral("Xvfb does not start; the xvfb package has it");
        return false;
    }
    while (!server.canReadLine() && server.waitForReadyRead(Patience::Ms)) { }
    const QByteArray number = server.readLine().trimmed();
    if (number.isEmpty()) {
        *error = QString::fromLocal8Bit(server.readAllStandardError());
        return false;
    }
    name = QLatin1Char(':') + QString::fromLatin1(number);
    return true;
}

QProcessEnvironment XvfbServer::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), name);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

unsigned long X11Display::waitForWindow(const QString &title, const QProcess &program, int timeoutMs) const
{
    unsigned long window = 0;
    QElapsedTimer waited;
    waited.start();
    while ((window = findWindow(title)) == 0 && program.state() == QProcess::Running && waited.elapsed() < timeoutMs)
        QTest::qWait(20);
    return window;
}

X11Display::X11Display(const QString &name)
    : display(XOpenDisplay(name.toLocal8Bit().constData()))
{
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    xtest = display && XTestQueryExtension(display, &event, &error, &major, &minor);
}

X11Display::~X11Display()
{
    if (display)
        XCloseDisplay(display);
}

bool X11Display::isUsable() const
{
    return display && xtest;
}

unsigned long X11Display::findWindow(const QString &title) const
{
    for (Window window : shownWindows(display)) {
        if (windowTitle(display, window) == title)
            return window;
    }
    return 0;
}

int X11Display::viewableWindows() const
{
    return shownWindows(display).size();
}

QRect X11Display::geometry(unsigned long window) const
{
    XWindowAttributes attributes;
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!window || !XGetWindowAttributes(display, window, &attributes)
        || !XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child))
        return QRect();
    return QRect(x, y, attributes.width, attributes.height);
}

QImage X11Display::grab(const QRect &area) const
{
    XImage *shot = XGetImage(display, DefaultRootWindow(display), area.x(), area.y(), unsigned(area.width()),
                             unsigned(area.height()), AllPlanes, ZPixmap);
    if (!shot)
        return QImage();
    QImage image(area.size(), QImage::Format_RGB32);
    // XGetPixel copes with any depth and byte order; the masks place the colours.
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            const auto channel = [pixel](unsigned long mask) {
                int shift = 0;
                while (mask && !(mask & 1)) {
                    mask >>= 1;
                    ++shift;
                }
                return mask ? int(((pixel >> shift) & mask) * 255 / mask) : 0;
            };
            image.setPixel(x, y, qRgb(channel(shot->red_mask), channel(shot->green_mask), channel(shot->blue_mask)));
        }
    }
    XDestroyImage(shot);
    return image;
}

void X11Display::press(QPoint at)
{
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
}

void X11Display::release(QPoint at)
{
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
}

void X11Display::tap(QPoint at)
{
    press(at);
    release(at);
}

void X11Display::moveTo(QPoint at)
{
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    XSync(display, False);
}

void X11Display::typeKey(const char *name)
{
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(name));
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
}

void X11Display::closeWindow(unsigned long window)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

void X11Display::neverShowWindows()
{
    // The window manager's place: maps come here as requests, left unanswered.
    XSelectInput(display, DefaultRootWindow(display), SubstructureRedirectMask);
    XSync(display, False);
}

bool X11Display::hasDpms() const
{
    int event = 0;
    int error = 0;
    return DPMSQueryExtension(display, &event, &error) && DPMSCapable(display);
}

bool X11Display::isScreenOff() const
{
    CARD16 level = 0;
    BOOL enabled = False;
    return hasDpms() && DPMSInfo(display, &level, &enabled) && enabled && level == DPMSModeOff;
}

double distanceFromPicture(const QImage &screen, const QString &path)
{
    QImageReader reader(path);
    reader.setScaledSize(QSize(1000, 600));
    const QImage expected = reader.read();
    if (expected.isNull() || screen.size() != expected.size())
        return 255;
    const QRect modelList(564, 106, 295, 39);
    const QRect buttons(850, 0, 150, 50);
    qint64 total = 0;
    int samples = 0;
    for (int y = 5; y < 600; y += 10) {
        for (int x = 5; x < 1000; x += 10) {
            if (modelList.contains(x, y) || buttons.contains(x, y))
                continue;
            const QRgb a = screen.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            total += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
            samples += 3;
        }
    }
    return double(total) / samples;
}
