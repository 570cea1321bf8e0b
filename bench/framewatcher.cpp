#include "framewatcher.h"

#include <xcb/damage.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include <poll.h>

namespace {

// A pixel differs when a channel differs by more than this; a frame matches
// when at most one pixel in a hundred differs.
constexpr int ChannelTolerance = 8;
constexpr int MismatchesPerCent = 1;

// How long to sleep at most between looks at the connection.
constexpr int PollMs = 10;

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

} // namespace

bool readPpm(const std::string &path, Frame &frame)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> frame.width >> frame.height >> maximum;
    in.get();
    if (!in || magic != "P6" || maximum != 255 || frame.width <= 0 || frame.height <= 0)
        return false;
    frame.rgb.resize(size_t(frame.width) * frame.height * 3);
    in.read(reinterpret_cast<char *>(frame.rgb.data()), std::streamsize(frame.rgb.size()));
    return bool(in);
}

FrameWatcher::~FrameWatcher()
{
    if (connection)
        xcb_disconnect(connection);
}

bool FrameWatcher::open()
{
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return false;
    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(connection, &xcb_damage_id);
    if (!damage || !damage->present)
        return false;
    damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
    Owned<xcb_damage_query_version_reply_t> version(
        xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1), nullptr), &std::free);
    if (!version)
        return false;
    // New top-level windows are announced to whoever selects this on the root.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    return true;
}

bool FrameWatcher::waitForFrame(const Frame &expected, Clock::time_point deadline, Clock::time_point &shown)
{
    while (Clock::now() < deadline) {
        Owned<xcb_generic_event_t> event(xcb_poll_for_event(connection), &std::free);
        if (!event) {
            if (xcb_connection_has_error(connection))
                return false;
            // Asleep until the server writes: the measured program and the
            // server need the processors.
            pollfd socket = {xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&socket, 1, PollMs);
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            // Watched from its creation, before anything can be drawn in it.
            const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event.get());
            xcb_damage_create(connection, xcb_generate_id(connection), created->window,
                              XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(connection);
        } else if (type == damageEvent) {
            const Clock::time_point now = Clock::now();
            const auto *damaged = reinterpret_cast<xcb_damage_notify_event_t *>(event.get());
            // Reported again only once this is cleared.
            xcb_damage_subtract(connection, damaged->damage, XCB_NONE, XCB_NONE);
            if (shows(damaged->drawable, expected)) {
                shown = now;
                return true;
            }
        }
        // Errors about windows that went away meanwhile, and other events, are of no interest.
    }
    return false;
}

bool FrameWatcher::shows(xcb_drawable_t window, const Frame &expected)
{
    const xcb_get_image_cookie_t cookie = xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                                        uint16_t(expected.width), uint16_t(expected.height), ~0u);
    Owned<xcb_get_image_reply_t> image(xcb_get_image_reply(connection, cookie, nullptr), &std::free);
    // A window too small, or no longer there.
    const size_t pixels = size_t(expected.width) * expected.height;
    if (!image || size_t(xcb_get_image_data_length(image.get())) < pixels * 4)
        return false;
    // 24-bit depth in 32-bit pixels, blue first.
    const uint8_t *data = xcb_get_image_data(image.get());
    size_t mismatches = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t *shown = data + 4 * i;
        const unsigned char *wanted = expected.rgb.data() + 3 * i;
        if (std::abs(shown[2] - wanted[0]) > ChannelTolerance || std::abs(shown[1] - wanted[1]) > ChannelTolerance
            || std::abs(shown[0] - wanted[2]) > ChannelTolerance)
            ++mismatches;
    }
    return mismatches * 100 <= pixels * MismatchesPerCent;
}
