// The X11 hot-key service and the application's shortcut wiring in a real
// QApplication on the xcb platform inside a private Xvfb: our own popups grab
// the keyboard there exactly as on a desktop.
#include "app/ToggleCaptureShortcut.h"
#include "platform/linux/X11HotKeyService.h"
#include "support/XvfbServer.h"
#include "support/core/ShortcutStack.h"
#include "support/core/TestHome.h"
#include "ui/MenuTrackingObserver.h"

#include <QtTest>
#include <QtWidgets>

#include <xcb/xcb_keysyms.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdio>
#include <cstdlib>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

namespace {

const Shortcut kCtrlAltG{5, Shortcut::kControl | Shortcut::kAlt};

// Another X client, the way a desktop or another application holds its own shortcuts.
class ForeignClient
{
public:
    explicit ForeignClient(const QString& display)
        : m_connection(xcb_connect(display.toLatin1().constData(), nullptr))
        , m_root(xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root)
    {
    }
    ~ForeignClient() { xcb_disconnect(m_connection); }

    // Grabs keysym with exactly these X modifier bits; true when the server granted it.
    bool grab(quint32 keysym, quint16 modifiers)
    {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols, keysym);
        bool granted = keycodes && keycodes[0] != XCB_NO_SYMBOL;
        for (xcb_keycode_t* k = keycodes; granted && *k != XCB_NO_SYMBOL; ++k) {
            xcb_generic_error_t* error = xcb_request_check(
                m_connection,
                xcb_grab_key_checked(m_connection, 0, m_root, modifiers, *k, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            granted = !error;
            std::free(error);
        }
        std::free(keycodes);
        xcb_key_symbols_free(symbols);
        return granted;
    }

    // Whether some client holds the whole keyboard (an open popup does).
    bool keyboardIsGrabbed()
    {
        xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(
            m_connection,
            xcb_grab_keyboard(m_connection, 0, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr);
        const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
        if (reply && reply->status == XCB_GRAB_STATUS_SUCCESS) {
            xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
            xcb_flush(m_connection);
        }
        std::free(reply);
        return grabbed;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
};

}  // namespace

class X11HotKeysTest : public QObject
{
    Q_OBJECT

public:
    X11HotKeysTest(TestHome& home, XvfbServer& xvfb)
        : m_home(home)
        , m_xvfb(xvfb)
    {
    }

private:
    TestHome& m_home;
    XvfbServer& m_xvfb;
    int m_file = 0;
    // One run of the application's shortcut wiring over the X11 service.
    std::shared_ptr<X11HotKeyService> m_service;
    std::unique_ptr<ShortcutStack> m_stack;
    int m_downs = 0, m_ups = 0, m_sentinels = 0;

    void xdotool(const QStringList& arguments) { QCOMPARE(m_xvfb.run("xdotool", arguments), 0); }

    void pressLocks(bool on)
    {
        xdotool({"key", "Num_Lock", "Caps_Lock", "Scroll_Lock"});
        QString state;
        m_xvfb.run("xset", {"q"}, &state);
        for (const QString label : {"Num Lock:", "Caps Lock:", "Scroll Lock:"})
            QVERIFY2(state.mid(state.indexOf(label) + label.size(), 10).contains("on") == on, qPrintable(label));
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* tool : {"xdotool", "xmodmap", "xset"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(),
                     qPrintable(QString("%1 is missing (Debian packages xdotool, x11-xserver-utils)").arg(tool)));
        // Xvfb's map is the usual desktop one (Alt on Mod1, Num Lock on Mod2, Super on Mod4) but for
        // Scroll Lock, which many desktops put on Mod3.
        QCOMPARE(m_xvfb.run("xmodmap", {"-e", "add mod3 = Scroll_Lock"}), 0);
    }

    void init()
    {
        auto connected = X11HotKeyService::connect(m_home.log());
        QVERIFY2(connected.ok(), qPrintable(connected.error()));
        m_service = std::move(connected).value();
        m_stack = std::make_unique<ShortcutStack>(m_home.path() + QString("/d%1.json").arg(++m_file), m_home.log(),
                                                  m_service.get());
        m_downs = m_ups = m_sentinels = 0;
        m_stack->registry.onKeyDown(ToggleCaptureShortcut::name(), [this] { ++m_downs; });
        m_stack->registry.onKeyUp(ToggleCaptureShortcut::name(), [this] { ++m_ups; });
        m_stack->registry.onKeyUp(Name("sentinel", kCtrlAltG), [this] { ++m_sentinels; });
    }

    void cleanup()
    {
        m_stack.reset();
        m_service.reset();
    }

    void oneKeyDownAndOneKeyUp_data()
    {
        QTest::addColumn<QStringList>("sequence");
        QTest::addColumn<bool>("locks");  // Num, Caps and Scroll Lock on meanwhile
        // Held past the auto-repeat delay (660 ms under Xvfb).
        QTest::newRow("held") << QStringList{"keydown", "alt+shift+s", "sleep", "1.5", "keyup", "alt+shift+s"} << false;
        QTest::newRow("modifiers let go first") << QStringList{"keydown", "alt+shift+s", "sleep", "1",   "keyup", "alt",
                                                               "keyup",   "shift",       "sleep", "0.3", "keyup", "s"}
                                                << false;
        QTest::newRow("locks on") << QStringList{"key", "alt+shift+s"} << true;
    }

    void oneKeyDownAndOneKeyUp()
    {
        QFETCH(QStringList, sequence);
        QFETCH(bool, locks);
        if (locks)
            pressLocks(true);
        xdotool(sequence);
        QTRY_COMPARE(m_ups, 1);
        // Ctrl+Alt+G after the keys under test: once it has arrived, so has every event those keys caused.
        xdotool({"key", "ctrl+alt+g"});
        QTRY_COMPARE(m_sentinels, 1);
        QCOMPARE(m_downs, 1);
        QCOMPARE(m_ups, 1);
        if (locks)
            pressLocks(false);
    }

    // Another client holds the combination with Num Lock on: our grab of the
    // plain combination succeeds first and must be undone.
    void takenCombinationFailsCleanly()
    {
        ForeignClient other(m_xvfb.display());
        QVERIFY(other.grab(XKB_KEY_j, 0x4 | 0x8 | 0x10));  // Ctrl+Alt+J with Num Lock
        QSignalSpy failed(&m_stack->registry, &ShortcutRegistry::registrationFailed);
        m_stack->registry.onKeyUp(Name("taken", Shortcut{38, Shortcut::kControl | Shortcut::kAlt}), [] {});
        QCOMPARE(failed.size(), 1);
        QVERIFY(other.grab(XKB_KEY_j, 0x4 | 0x8));  // our partial grab was let go
    }

    void shortcutWorksWhileOurMenuIsOpen()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MenuTrackingObserver observer(m_stack->center);
        QMenu menu(&window);
        menu.addAction("Start Capture");
        menu.popup(window.mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QTRY_COMPARE(QApplication::activePopupWidget(), &menu);
        QTRY_VERIFY(ForeignClient(m_xvfb.display()).keyboardIsGrabbed());  // the popup's grab follows its map
        QTRY_VERIFY(m_stack->center.isMenuOpen());
        QVERIFY(ForeignClient(m_xvfb.display()).grab(XKB_KEY_s, 0x1 | 0x8));  // our Alt+Shift+S grab was let go
        xdotool({"key", "alt+shift+s"});
        QTRY_COMPARE(m_ups, 1);
        xdotool({"keydown", "alt+shift+s", "keyup", "alt", "keyup", "shift", "keyup", "s"});  // modifiers let go first
        QTRY_COMPARE(m_ups, 2);
        xdotool({"key", "alt+shift+s"});  // after it, no event of the keys before can come
        QTRY_COMPARE(m_ups, 3);
        QCOMPARE(m_downs, 3);
        QVERIFY(menu.isVisible());  // the keys went to the shortcut, not the menu

        menu.close();
        QTRY_VERIFY(!m_stack->center.isMenuOpen());
        xdotool({"key", "alt+shift+s"});
        QTRY_COMPARE(m_ups, 4);
    }
};

int main(int argc, char** argv)
{
    TestHome home;
    XvfbServer xvfb;
    if (!xvfb.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(xvfb.error()));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    X11HotKeysTest test(home, xvfb);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_X11HotKeyService.moc"
