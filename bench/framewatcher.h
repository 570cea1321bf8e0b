#ifndef FRAMEWATCHER_H
#define FRAMEWATCHER_H

#include <xcb/xcb.h>

#include <chrono>
#include <string>
#include <vector>

// What a window should show: 8-bit RGB, row after row.
struct Frame
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Reads a binary PPM (P6) with a maximum value of 255, as Qt writes one.
bool readPpm(const std::string &path, Frame &frame);

// Watches the top-level windows of an X display, from their creation on, for
// the moment one of them shows a given frame. Uses the DAMAGE extension, which
// reports drawing in a window as the server carries it out.
class FrameWatcher
{
public:
    using Clock = std::chrono::steady_clock;

    FrameWatcher() = default;
    ~FrameWatcher();
    FrameWatcher(const FrameWatcher &) = delete;
    FrameWatcher &operator=(const FrameWatcher &) = delete;

    // Connects to $DISPLAY; false without a display or without DAMAGE.
    bool open();

    // Waits until a window holds expected and tells when the drawing that
    // completed it was reported; false when none does before the deadline.
    bool waitForFrame(const Frame &expected, Clock::time_point deadline, Clock::time_point &shown);

private:
    bool shows(xcb_drawable_t window, const Frame &expected);

    xcb_connection_t *connection = nullptr;
    uint8_t damageEvent = 0;
};

#endif
