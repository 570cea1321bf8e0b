#ifndef X11DISPLAY_H
#define X11DISPLAY_H

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

struct _XDisplay;

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

    // How many top-level windows are shown: a list's popup is one of its own.
    int viewableWindows() const;

    // What the screen shows in area.
    QImage grab(const QRect &area) const;

    void press(QPoint at);
    void release(QPoint at);
    void tap(QPoint at);
    // A key by its X name: "Down", "Return".
    void typeKey(const char *name);

    // Asks the window to close, as a window manager's close button does.
    void closeWindow(unsigned long window);

private:
    _XDisplay *display = nullptr;
    bool xtest = false;
};

#endif
