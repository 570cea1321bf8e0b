#ifndef X11DISPLAY_H
#define X11DISPLAY_H

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>

struct _XDisplay; // NOLINT(bugprone-reserved-identifier): Xlib's own name for a display

// An Xvfb server of the test's own, on a display it picks itself; no window
// manager runs in it.
class XvfbServer
{
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // False, with the reason, when the server does not come up.
    bool start(QString *error);
    QString displayName() const { return name; }

    // The environment in which a program shows its windows on this server.
    QProcessEnvironment environment() const;

private:
    QProcess server;
    QString name;
};

// A connection to an X server, to use a program in it as a person would: the
// pointer and the keys through the XTest extension, the screen read back.
class X11Display
{
public:
    explicit X11Display(const QString &name);
    ~X11Display();
    X11Display(const X11Display &) = delete;
    X11Display &operator=(const X11Display &) = delete;

    // False when the server cannot be reached or has no XTest.
    bool isUsable() const;

    // The shown top-level window of that title, 0 when there is none; and
    // where it lies on the screen.
    unsigned long findWindow(const QString &title) const;
    QRect geometry(unsigned long window) const;

    // Waits until program shows a window of that title; 0 when it does not
    // within timeoutMs, or ends first.
    unsigned long waitForWindow(const QString &title, const QProcess &program, int timeoutMs) const;

    // How many top-level windows are shown: a list's popup is one of its own.
    int viewableWindows() const;

    // What the screen shows in area.
    QImage grab(const QRect &area) const;

    void press(QPoint at);
    void release(QPoint at);
    void tap(QPoint at);
    void moveTo(QPoint at);
    // A key by its X name: "Down", "Return".
    void typeKey(const char *name);

    // Asks the window to close, as a window manager's close button does.
    void closeWindow(unsigned long window);
    // From now on, for as long as this connection lasts, takes every request
    // to show a window and never shows it: a screen that never comes, as a
    // compositor with no output has none to show a window on.
    void neverShowWindows();
    // Whether the server can power the screen down (DPMS), and has.
    bool hasDpms() const;
    bool isScreenOff() const;

private:
    _XDisplay *display = nullptr;
    bool xtest = false;
};

// How far a grab of the guide's window is from the picture file at path, drawn
// over the whole window: the mean difference of a channel, 0 to 255, where no
// page lays a button or the model list. 255 when the file cannot be read.
double distanceFromPicture(const QImage &screen, const QString &path);

#endif
