#include "platform/linux/x11/X11WindowPicker.h"

#include "platform/linux/x11/WindowStack.h"
#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

#include <QSocketNotifier>
#include <QTimer>

namespace {

constexpr quint16 kCrosshairGlyph = 34;  // XC_crosshair in the standard cursor font
constexpr quint8 kLeftButton = 1;

QString couldNotPick(const QString& why)
{
    return QStringLiteral("Couldn't pick a window: ") + why;
}

}  // namespace

X11WindowPicker::X11WindowPicker(QObject* parent)
    : QObject(parent)
{
}

X11WindowPicker::~X11WindowPicker() = default;  // closing the connection ends a grab

void X11WindowPicker::pick(std::function<void(const Result<QString>&)> done)
{
    if (m_done) {  // already picking: the earlier request gives up
        m_done(Result<QString>(QString()));
    }
    m_done = std::move(done);
    if (const Result<void> grabbed = grab(); !grabbed) {
        // Answer on the next turn of the event loop, as a real pick would.
        QTimer::singleShot(0, this, [this, error = grabbed.error()] { finish(Result<QString>::failure(error)); });
    }
}

Result<void> X11WindowPicker::grab()
{
    auto opened = XcbConnection::open();
    if (!opened)
        return Result<void>::failure(couldNotPick(opened.error()));
    m_connection = std::move(opened).value();
    xcb_connection_t* c = m_connection->get();

    const xcb_font_t font = xcb_generate_id(c);
    xcb_open_font(c, font, 6, "cursor");
    const xcb_cursor_t cursor = xcb_generate_id(c);
    xcb_create_glyph_cursor(c, cursor, font, font, kCrosshairGlyph, kCrosshairGlyph + 1, 0, 0, 0, 0xFFFF, 0xFFFF,
                            0xFFFF);
    XcbReply<xcb_grab_pointer_reply_t> pointer(xcb_grab_pointer_reply(
        c,
        xcb_grab_pointer(c, 0, m_connection->root(), XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE, cursor, XCB_CURRENT_TIME),
        nullptr));
    xcb_free_cursor(c, cursor);
    xcb_close_font(c, font);
    if (!pointer || pointer->status != XCB_GRAB_STATUS_SUCCESS) {
        m_connection.reset();
        return Result<void>::failure(couldNotPick(QStringLiteral("another program holds the pointer")));
    }
    // Without the keyboard Escape still works in the window below; with it, any key gives up.
    XcbReply<xcb_grab_keyboard_reply_t> keyboard(xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 0, m_connection->root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    m_events = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    connect(m_events.get(), &QSocketNotifier::activated, this, &X11WindowPicker::readEvents);
    xcb_flush(c);
    QTimer::singleShot(0, this, &X11WindowPicker::readEvents);  // events already queued
    return Result<void>::success();
}

void X11WindowPicker::readEvents()
{
    while (m_connection) {
        if (m_connection->isBroken()) {
            finish(Result<QString>::failure(couldNotPick(XcbConnection::lostMessage())));
            return;
        }
        XcbReply<xcb_generic_event_t> event(xcb_poll_for_event(m_connection->get()));
        if (!event)
            return;
        switch (event->response_type & 0x7F) {
        case XCB_BUTTON_RELEASE: {
            const auto* release = reinterpret_cast<const xcb_button_release_event_t*>(event.get());
            if (release->detail != kLeftButton || release->child == XCB_WINDOW_NONE) {
                finish(Result<QString>(QString()));
                return;
            }
            WindowStack stack(*m_connection, m_resolver);
            finish(Result<QString>(stack.appIdOf(release->child)));
            return;
        }
        case XCB_KEY_PRESS:
            finish(Result<QString>(QString()));
            return;
        default:
            break;
        }
    }
}

void X11WindowPicker::finish(const Result<QString>& outcome)
{
    if (m_connection) {
        xcb_ungrab_pointer(m_connection->get(), XCB_CURRENT_TIME);
        xcb_ungrab_keyboard(m_connection->get(), XCB_CURRENT_TIME);
        xcb_flush(m_connection->get());
    }
    m_events.reset();
    m_connection.reset();
    if (auto done = std::exchange(m_done, {}))
        done(outcome);
}
