#include "core/library/LibraryLayout.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/LinuxSessionState.h"
#include "platform/linux/LogindClient.h"
#include "platform/linux/x11/AppIdResolver.h"
#include "platform/linux/x11/BitmapScaler.h"
#include "platform/linux/x11/DesktopScale.h"
#include "platform/linux/x11/EdidParser.h"
#include "platform/linux/x11/X11ScreenSource.h"
#include "support/PrivateBus.h"
#include "support/XvfbServer.h"
#include "support/core/EventLogWatcher.h"
#include "support/core/TestHome.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QtTest>

#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
constexpr quint32 kBlue = 0x0000ff, kRed = 0xff0000, kGreen = 0x00ff00, kMagenta = 0xff00ff, kYellow = 0xffff00,
                  kCyan = 0x00ffff, kOrange = 0xff8000, kPurple = 0x8000ff, kWallpaper = 0x206020, kBlack = 0;
}

// Test windows of solid colours on the current DISPLAY, made with raw xcb and
// carrying the properties that name their application. They, and the
// wallpaper, go with this object's connection.
class X11TestDesk
{
public:
    struct Window
    {
        QRect rect;
        quint32 rgb = 0;
        QByteArray gtkApplicationId;
        QByteArray wmClass;     // "instance\0Class"
        QByteArray windowType;  // "_NET_WM_WINDOW_TYPE_NOTIFICATION", …
        bool overrideRedirect = false;
    };

    X11TestDesk()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }
    ~X11TestDesk() { xcb_disconnect(m_connection); }

    bool isConnected() const { return m_screen && !xcb_connection_has_error(m_connection); }

    xcb_window_t show(const Window& look)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        const quint32 values[] = {look.rgb, look.overrideRedirect ? 1u : 0u};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_screen->root, look.rect.x(), look.rect.y(),
                          look.rect.width(), look.rect.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_size_hints_t hints{};
        xcb_icccm_size_hints_set_position(&hints, 1, look.rect.x(), look.rect.y());
        xcb_icccm_size_hints_set_size(&hints, 1, look.rect.width(), look.rect.height());
        xcb_icccm_set_wm_normal_hints(m_connection, window, &hints);
        if (!look.gtkApplicationId.isEmpty())
            setProperty(window, atom("_GTK_APPLICATION_ID"), atom("UTF8_STRING"), 8, look.gtkApplicationId);
        if (!look.wmClass.isEmpty())
            setProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, look.wmClass + '\0');
        if (!look.windowType.isEmpty()) {
            const xcb_atom_t type = atom(look.windowType.constData());
            setProperty(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        QByteArray(reinterpret_cast<const char*>(&type), sizeof type));
        }
        xcb_map_window(m_connection, window);
        m_windows.append(window);
        sync();
        return window;
    }

    void destroyAll()
    {
        for (xcb_window_t window : std::as_const(m_windows))
            xcb_destroy_window(m_connection, window);
        m_windows.clear();
        sync();
    }

    // The root window's colour, and a wallpaper pixmap of it published as _XROOTPMAP_ID.
    void setBackground(quint32 rgb)
    {
        xcb_change_window_attributes(m_connection, m_screen->root, XCB_CW_BACK_PIXEL, &rgb);
        xcb_clear_area(m_connection, 0, m_screen->root, 0, 0, 0, 0);
        const xcb_pixmap_t wallpaper = xcb_generate_id(m_connection);
        xcb_create_pixmap(m_connection, m_screen->root_depth, wallpaper, m_screen->root, m_screen->width_in_pixels,
                          m_screen->height_in_pixels);
        const xcb_gcontext_t gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, gc, wallpaper, XCB_GC_FOREGROUND, &rgb);
        const xcb_rectangle_t all{0, 0, m_screen->width_in_pixels, m_screen->height_in_pixels};
        xcb_poly_fill_rectangle(m_connection, wallpaper, gc, 1, &all);
        xcb_free_gc(m_connection, gc);
        setProperty(m_screen->root, atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 32,
                    QByteArray(reinterpret_cast<const char*>(&wallpaper), sizeof wallpaper));
        sync();
    }

    void setOutputEdid(quint32 output, const QByteArray& edid)  // empty removes it
    {
        if (edid.isEmpty())
            xcb_randr_delete_output_property(m_connection, output, atom("EDID"));
        else
            xcb_randr_change_output_property(m_connection, output, atom("EDID"), XCB_ATOM_INTEGER, 8,
                                             XCB_PROP_MODE_REPLACE, edid.size(), edid.constData());
        sync();
    }

    void sync() { std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }

    // Waits until a window manager has framed every shown window (or times out).
    bool waitForFrames(int timeoutMs = 5000)
    {
        return QTest::qWaitFor(
            [this] {
                bool framed = true;
                for (xcb_window_t window : std::as_const(m_windows)) {
                    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_connection,
                                                                        xcb_query_tree(m_connection, window), nullptr);
                    framed &= tree && tree->parent != m_screen->root;
                    std::free(tree);
                }
                return framed;
            },
            timeoutMs);
    }

    static int count(const Bitmap& image, quint32 rgb)
    {
        int found = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                found += (image.pixel(x, y) & 0xffffffu) == rgb;
        return found;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return value;
    }

    void setProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, const QByteArray& data)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, property, type, format,
                            data.size() / (format / 8), data.constData());
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    QList<xcb_window_t> m_windows;
};

// The Linux desktop services against real ones: a private Xvfb with three RandR monitors of
// different sizes, python3-dbusmock's logind, GNOME screen saver and notification daemon.
// Screen source: displays, captures, excluded applications leaving no pixel (on top or covered,
// with and without a window manager) while other windows stay whole, and its pure pieces.
// Session state: lock, idle time and the active window for the gates; sleep; notifications.
class TestLinuxDesktop : public QObject
{
    Q_OBJECT

    static QByteArray blob(const QString& name)
    {
        QFile file(QStringLiteral(MOMENTRA_TEST_DATA "/edid/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestHome m_home;
    XvfbServer m_server;
    std::unique_ptr<X11TestDesk> m_desk;
    PrivateBus m_system{PrivateBus::Kind::System};
    PrivateBus m_session{PrivateBus::Kind::Session};

    static DisplayInfo displayNamed(const ShareableContent& content, const QString& name)
    {
        for (const DisplayInfo& display : content.displays)
            if (display.name == name)
                return display;
        return {};
    }

    static Result<Bitmap> captureMain(X11ScreenSource& source, const DisplayCaptureRequest& request)
    {
        const Result<ShareableContent> content = source.content();
        return content ? source.capture(content->displays.first(), request) : Result<Bitmap>::failure(content.error());
    }

    QDBusConnection systemBus() { return QDBusConnection::connectToBus(m_system.address(), "sys"); }
    QDBusConnection sessionBus() { return QDBusConnection::connectToBus(m_session.address(), "ses"); }

    // A method caller without QDBusInterface: no introspection, so no meta objects cached on the connection.
    struct Remote
    {
        QDBusConnection bus;
        QString service, path, interface;
        template <typename... Arguments>
        QDBusMessage call(const QString& method, const Arguments&... arguments)
        {
            QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
            message.setArguments({argument(arguments)...});
            return bus.call(message);
        }
        static QVariant argument(const char* text) { return QString::fromUtf8(text); }
        template <typename T>
        static QVariant argument(const T& value)
        {
            return QVariant::fromValue(value);
        }
    };

    Remote logind(const QString& path, const QString& interface)
    {
        return {systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1" + path, interface};
    }
    Remote logindMock() { return logind({}, "org.freedesktop.DBus.Mock"); }

    void setSession(const char* property, bool value)
    {
        logind("/session/c2", "org.freedesktop.DBus.Properties")
            .call("Set", "org.freedesktop.login1.Session", property, QDBusVariant(value));
    }

    void setScreenSaver(bool active)
    {
        Remote{sessionBus(), "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver"}.call(
            "SetActive", active);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start("3200x1900x24"), qPrintable(m_server.error()));
        for (const QStringList& monitor : QList<QStringList>{{"*A", "1920/508x1080/286+0+0", "screen"},
                                                             {"B", "1280/340x1024/270+1920+0", "none"},
                                                             {"C", "1024/270x768/203+0+1080", "none"}})
            QVERIFY2(m_server.run("xrandr", QStringList{"--setmonitor"} + monitor) == 0,
                     "xrandr failed (Debian package x11-xserver-utils)");
        // QtTest points the data folders into the test's own home.
        const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        QVERIFY(QDir().mkpath(applications));
        QFile desktop(applications + "/org.example.ViaClass.desktop");
        QVERIFY(desktop.open(QIODevice::WriteOnly));
        desktop.write("[Desktop Entry]\nType=Application\nName=Via Class\nExec=true\nStartupWMClass=ViaClassApp\n");
        m_desk = std::make_unique<X11TestDesk>();
        QVERIFY(m_desk->isConnected());
        m_desk->setBackground(kWallpaper);
        QVERIFY2(m_system.start(), qPrintable(m_system.error()));
        QVERIFY2(m_session.start(), qPrintable(m_session.error()));
        QVERIFY2(m_system.startMock("logind", "org.freedesktop.login1"), qPrintable(m_system.error()));
        QVERIFY2(m_session.startMock("gnome_screensaver", "org.gnome.ScreenSaver"), qPrintable(m_session.error()));
        QVERIFY2(
            m_session.startMock("notification_daemon", "org.freedesktop.Notifications", m_home.path() + "/notify.log"),
            qPrintable(m_session.error()));
        QCOMPARE(logindMock().call("AddSession", "c2", "seat0", uint(::getuid()), "tester", true).type(),
                 QDBusMessage::ReplyMessage);
        qputenv("XDG_SESSION_ID", "c2");
    }

    void cleanup() { m_desk->destroyAll(); }

    void listsMonitorsWithGeometryEdidAndScale()
    {
        X11ScreenSource source;
        const Result<ShareableContent> content = source.content();
        QVERIFY2(content.ok(), qPrintable(content.error()));
        QStringList names;
        QList<QRect> places;
        QSet<QString> identities;
        for (const DisplayInfo& display : content->displays) {
            names << display.name;
            places << QRect(display.x, display.y, display.width, display.height);
            QCOMPARE(display.isMain, display.name == "screen");
            QVERIFY(!display.isBuiltIn);
            identities.insert(LibraryLayout::displayIdentity(display.facts));
        }
        // The first monitor is named after its output; the others have none.
        QCOMPARE(names, (QStringList{"screen", "B", "C"}));
        QCOMPARE(places, (QList<QRect>{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {0, 1080, 1024, 768}}));
        QCOMPARE(identities.size(), 3);
        // A removed monitor is gone, and keeps its identity when it is back.
        QCOMPARE(m_server.run("xrandr", {"--delmonitor", "B"}), 0);
        QCOMPARE(source.content()->displays.size(), 2);
        QCOMPARE(m_server.run("xrandr", {"--setmonitor", "B", "1280/340x1024/270+1920+0", "none"}), 0);
        const Result<ShareableContent> with = source.content();
        QCOMPARE(with->displays.size(), 3);
        QCOMPARE(LibraryLayout::displayIdentity(displayNamed(*with, "B").facts),
                 LibraryLayout::displayIdentity(content->displays[1].facts));

        // The name and identity from the monitor's EDID, the scale from the desktop's resources.
        const quint32 output = content->displays[0].facts.displayNumber;
        QVERIFY(output != 0);
        m_desk->setOutputEdid(output, blob("dell-u2720q.bin"));
        const QStringList resources{"-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER"};
        QCOMPARE(m_server.run("xprop", resources + QStringList{"Xft.antialias:\t1\nXft.dpi:\t192\n"}), 0);
        X11ScreenSource fresh;
        const Result<ShareableContent> described = fresh.content();
        m_desk->setOutputEdid(output, {});
        QCOMPARE(m_server.run("xprop", {"-root", "-remove", "RESOURCE_MANAGER"}), 0);
        QVERIFY(described.ok());
        const DisplayInfo& display = described->displays[0];
        QCOMPARE(display.name, "DELL U2720Q");
        QCOMPARE(LibraryLayout::displayIdentity(display.facts), "edid:4268-41156-1279930672");
        QCOMPARE(display.logicalWidth, 960);
        QCOMPARE(fresh.content()->displays[0].name, "screen");
    }

    // One window straddling monitors A and B: each image holds only its own part. With and without
    // shared memory, a request for half the size is scaled down to the same pixels.
    void capturesEachMonitorAtItsSizeAndPlace()
    {
        m_desk->show({QRect(0, 0, 960, 1080), kRed});
        m_desk->show({QRect(960, 0, 960, 1080), kBlue});
        m_desk->show({QRect(1820, 100, 300, 200), 0x2050f0});
        X11ScreenSource source;
        X11ScreenSource plain({{}, false, true});
        const Result<ShareableContent> content = source.content();
        QVERIFY(content.ok());
        const Result<Bitmap> a = source.capture(displayNamed(*content, "screen"), {});
        const Result<Bitmap> b = source.capture(displayNamed(*content, "B"), {});
        const Result<Bitmap> c = source.capture(displayNamed(*content, "C"), {});
        QVERIFY2(a.ok() && b.ok() && c.ok(), qPrintable(a.error() + b.error() + c.error()));
        QCOMPARE(QSize(b->width, b->height), QSize(1280, 1024));
        QCOMPARE(X11TestDesk::count(*a, 0x2050f0), 100 * 200);
        QCOMPARE(X11TestDesk::count(*b, 0x2050f0), 200 * 200);
        QCOMPARE(a->pixel(1850, 150), 0xff2050f0u);  // opaque, B G R A in memory
        QCOMPARE(c->pixel(10, 10), 0xff000000u | kWallpaper);

        DisplayCaptureRequest half;
        half.outputWidth = 960;
        half.outputHeight = 540;
        const Result<Bitmap> one = source.capture(content->displays[0], half);
        const Result<Bitmap> two = plain.capture(content->displays[0], half);
        QVERIFY(one.ok() && two.ok());
        QVERIFY(source.lastCaptureUsedShm() && !plain.lastCaptureUsedShm());
        QCOMPARE(two->pixels, one->pixels);
        QCOMPARE(QSize(one->width, one->height), QSize(960, 540));
        QCOMPARE(X11TestDesk::count(*one, kRed), 480 * 540);
        QCOMPARE(X11TestDesk::count(*one, kBlue), 480 * 540 - 50 * 100);  // under the straddling window

        // The pointer is drawn only when asked, and only on its own monitor.
        QCOMPARE(m_server.run("xdotool", {"mousemove", "500", "400"}), 0);
        DisplayCaptureRequest withPointer;
        withPointer.showsCursor = true;
        const Result<Bitmap> pointed = source.capture(content->displays[0], withPointer);
        const int covered = X11TestDesk::count(*a, kRed) - X11TestDesk::count(*pointed, kRed);
        QVERIFY2(covered > 20 && covered < 2000, qPrintable(QString::number(covered)));
        QCOMPARE(m_server.run("xdotool", {"mousemove", "2500", "500"}), 0);
        QCOMPARE(source.capture(content->displays[0], withPointer)->pixels, a->pixels);
    }

    // The five lock tests, one at a time.
    void lockTest()
    {
        LinuxSessionState gates(systemBus(), sessionBus(), m_home.log());
        QVERIFY(!gates.isScreenLocked());

        setSession("LockedHint", true);
        QVERIFY(gates.isScreenLocked());
        setSession("LockedHint", false);

        setSession("Active", false);  // switched to another user
        QVERIFY(gates.isScreenLocked());
        setSession("Active", true);
        QVERIFY(!gates.isScreenLocked());

        setScreenSaver(true);
        QVERIFY(gates.isScreenLocked());
        setScreenSaver(false);
        QVERIFY(!gates.isScreenLocked());

        // Xvfb has no DPMS: display power is unknown, which never counts as locked.
        QCOMPARE(gates.lockFacts().allDisplaysOff, std::nullopt);

        qputenv("XDG_SESSION_ID", "c404");  // logind answers: no such session
        LinuxSessionState gone(systemBus(), sessionBus(), m_home.log());
        QVERIFY(gone.isScreenLocked());
        qputenv("XDG_SESSION_ID", "c2");

        // No logind at all: said once in the log, and the machine is not locked forever.
        PrivateBus empty(PrivateBus::Kind::System);
        QVERIFY2(empty.start(), qPrintable(empty.error()));
        EventLogWatcher log(m_home.log());
        LinuxSessionState alone(QDBusConnection::connectToBus(empty.address(), "empty"), sessionBus(), m_home.log());
        for (int i = 0; i < 5; ++i)
            QVERIFY(!alone.isScreenLocked());
        QCOMPARE(log.count("systemd-logind isn't running"), 1);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_system.address().toLocal8Bit());
    }

    void idleTimeAndFrontmostApplication()
    {
        LinuxSessionState gates(systemBus(), sessionBus(), m_home.log());
        QCOMPARE(m_server.run("xdotool", {"mousemove", "10", "10"}), 0);
        QTRY_VERIFY(gates.secondsSinceLastInput() >= 1.0);
        QVERIFY(gates.secondsSinceLastInput() < 30);
        QCOMPARE(m_server.run("xdotool", {"mousemove", "50", "50"}), 0);
        QTRY_VERIFY(gates.secondsSinceLastInput() < 1.0);

        // The frontmost application, from the active window.
        HelperProcess openbox;
        openbox.start("openbox", {});
        QVERIFY2(openbox.waitForStarted(), "openbox did not start (Debian package openbox)");
        const xcb_window_t terminal = m_desk->show(
            {QRect(0, 0, 200, 200), kGreen, "org.gnome.Terminal", QByteArray("gnome-terminal\0Gnome-terminal", 29)});
        const xcb_window_t vault = m_desk->show(
            {QRect(100, 100, 200, 200), kRed, {}, QByteArray("keepassxc\0KeePassXC", 20)});
        QVERIFY(m_desk->waitForFrames());
        for (const auto& [window, id] :
             {std::pair{terminal, QString("org.gnome.Terminal")}, std::pair{vault, QString("KeePassXC")}}) {
            QCOMPARE(m_server.run("xdotool", {"windowactivate", QString::number(window)}), 0);
            QTRY_COMPARE(gates.frontmostAppId(), std::optional<QString>(id));
        }
    }

    void sleepSignalInhibitorAndNotifications()
    {
        LogindClient logind(systemBus());
        QVERIFY(logind.isWatchingSleep());
        QSignalSpy spy(&logind, &LogindClient::prepareForSleep);
        logind.sessionFacts();  // a round trip, so the bus has our signal match before the mock emits
        for (bool sleeping : {true, false}) {
            const QDBusMessage emitted = logindMock().call("EmitSignal", "org.freedesktop.login1.Manager",
                                                           "PrepareForSleep", "b", QVariantList{sleeping});
            QVERIFY2(emitted.type() == QDBusMessage::ReplyMessage, qPrintable(emitted.errorMessage()));
        }
        QTRY_COMPARE(spy.count(), 2);
        QVERIFY(spy.at(0).at(0).toBool() && !spy.at(1).at(0).toBool());  // going to sleep, then waking
        QVERIFY(logind.inhibitSleepDelay("Writing a screenshot").isOpen());

        DesktopNotifier notifier(sessionBus());
        notifier.notify("Momentra", "Screenshot capture failed: disk full");
        QTRY_VERIFY([this] {
            QFile log(m_home.path() + "/notify.log");
            return log.open(QIODevice::ReadOnly) && log.readAll().contains("Screenshot capture failed: disk full");
        }());
    }

    // A server without MIT-SHM is captured all the same, and the log says so.
    // When it goes, the capture says so, and the next one tries to connect again.
    void secondServerWithoutShmThenLost()
    {
        const QByteArray mainDisplay = qgetenv("DISPLAY");
        XvfbServer plain;
        QVERIFY2(plain.start("800x600x24", {"-extension", "MIT-SHM"}), qPrintable(plain.error()));
        qputenv("DISPLAY", mainDisplay);
        QStringList reports;
        const auto report = [&reports](const QString& line) { reports << line; };
        X11ScreenSource complete({mainDisplay, true, true, report});
        X11ScreenSource source({plain.display().toLocal8Bit(), true, true, report});
        const Result<ShareableContent> content = source.content();
        QVERIFY(complete.content().ok() && content.ok() && source.capture(content->displays[0], {}).ok());
        QVERIFY(!source.lastCaptureUsedShm());
        QCOMPARE(reports, QStringList{"The X server has no MIT-SHM extension; "
                                      "capturing through slower image transfers"});
        plain.stop();
        // Hold the display number, so that no server another test starts meanwhile answers on it.
        QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(plain.display().mid(1)));
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::NewOnly));
        lock.write(QByteArray::number(QCoreApplication::applicationPid()).rightJustified(10, ' ') + '\n');
        lock.close();
        const auto unlock = qScopeGuard([&lock] { lock.remove(); });
        QCOMPARE(source.capture(content->displays[0], {}).error(), "The X server connection was lost");
        const Result<Bitmap> again = source.capture(content->displays[0], {});
        QVERIFY2(again.error().contains("Couldn't connect to the X display " + plain.display()),
                 qPrintable(again.error()));
    }

    void excludedApplicationLeavesNoPixel_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<bool>("composite");
        // Rebuilt from window contents, the covered part of the blue window comes back;
        // painted over, it stays hidden under black.
        QTest::newRow("no window manager, rebuilt") << QString() << true;
        QTest::newRow("no window manager, painted over") << QString() << false;
        QTest::newRow("openbox, rebuilt") << "openbox" << true;
    }

    void excludedApplicationLeavesNoPixel()
    {
        QFETCH(QString, helper);
        QFETCH(bool, composite);
        HelperProcess windowManager;
        if (!helper.isEmpty()) {
            windowManager.start(helper, {"--sm-disable"});
            QVERIFY2(windowManager.waitForStarted(), "openbox did not start (Debian package openbox)");
        }
        m_desk->show({QRect(100, 100, 400, 300), kBlue, "org.example.Below"});
        m_desk->show({QRect(300, 200, 400, 300), kRed, "org.example.Secret"});
        m_desk->show({QRect(600, 400, 300, 200), kGreen, "org.example.Above"});
        m_desk->show({QRect(950, 50, 200, 150), kMagenta, {}, QByteArray("viaclass\0ViaClassApp", 20)});
        m_desk->show({QRect(60, 500, 100, 100), kYellow, "org.example.Secret"});
        m_desk->show({QRect(40, 480, 150, 150), kCyan, "org.example.Cover"});
        if (!helper.isEmpty())
            QVERIFY2(m_desk->waitForFrames(), "openbox did not frame the test windows");
        X11ScreenSource source({{}, true, composite});
        const auto painted = [&] {  // every window drawn, the red one in part
            const Result<Bitmap> all = captureMain(source, {});
            return all && X11TestDesk::count(*all, kGreen) == 300 * 200 && X11TestDesk::count(*all, kCyan) == 150 * 150
                   && X11TestDesk::count(*all, kRed) > 0;
        };
        QTRY_VERIFY2(painted(), "the scene did not show");

        DisplayCaptureRequest request;
        request.excludedAppIds = {"org.example.Secret", "org.example.ViaClass"};
        const Result<Bitmap> image = captureMain(source, request);
        QVERIFY2(image.ok(), qPrintable(image.error()));
        const int blue = composite ? 400 * 300 : 400 * 300 - 200 * 200;
        for (const auto& [colour, pixels] :
             {std::pair{kRed, 0}, {kMagenta, 0}, {kYellow, 0}, {kGreen, 300 * 200}, {kCyan, 150 * 150}, {kBlue, blue}})
            QCOMPARE(X11TestDesk::count(*image, colour), pixels);
        // Exactly the excluded windows' visible parts changed: wallpaper when rebuilt, black when not.
        if (helper.isEmpty())
            QCOMPARE(X11TestDesk::count(*image, kBlack), composite ? 0 : (400 * 300 - 100 * 100) + 200 * 150);
    }

    // Desktop icons and notifications are left out only when asked; the window between them stays whole.
    void leavesOutNotificationsAndDesktopWhenAsked()
    {
        m_desk->show({QRect(0, 0, 1280, 720), kPurple, {}, {}, "_NET_WM_WINDOW_TYPE_DESKTOP"});
        m_desk->show({QRect(200, 200, 300, 100), kBlue, "org.example.Editor"});
        m_desk->show({QRect(900, 560, 300, 100), kOrange, {}, {}, "_NET_WM_WINDOW_TYPE_NOTIFICATION", true});
        X11ScreenSource source;
        DisplayCaptureRequest request;
        request.hidesNotifications = request.hidesDesktopIcons = true;
        const Result<Bitmap> all = captureMain(source, {}), left = captureMain(source, request);
        QVERIFY2(all.ok() && left.ok(), qPrintable(all.error() + left.error()));
        QCOMPARE(X11TestDesk::count(*all, kOrange), 300 * 100);
        QCOMPARE(X11TestDesk::count(*all, kPurple), 1280 * 720 - 2 * 300 * 100);
        QCOMPARE(X11TestDesk::count(*left, kOrange), 0);
        QCOMPARE(X11TestDesk::count(*left, kPurple), 0);
        QCOMPARE(X11TestDesk::count(*left, kBlue), 300 * 100);
    }

    void desktopScale_data()
    {
        QTest::addColumn<QByteArray>("resources");
        QTest::addColumn<QByteArray>("gdk");
        QTest::addColumn<QByteArray>("qt");
        QTest::addColumn<double>("scale");
        QTest::newRow("Xft.dpi wins") << QByteArray("Xcursor.size:\t24\nXft.dpi:\t192\n") << QByteArray("3")
                                      << QByteArray() << 2.0;
        QTest::newRow("GDK_SCALE") << QByteArray("Xcursor.size: 24\n") << QByteArray("2") << QByteArray("3") << 2.0;
        QTest::newRow("QT_SCALE_FACTOR") << QByteArray() << QByteArray() << QByteArray("1.5") << 1.5;
        QTest::newRow("garbage ignored") << QByteArray("Xft.dpi: lots\n") << QByteArray("-2") << QByteArray("x") << 1.0;
        QTest::newRow("similar name is not it") << QByteArray("Xft.dpix: 192\n") << QByteArray() << QByteArray() << 1.0;
    }

    void desktopScale()
    {
        QFETCH(QByteArray, resources);
        QFETCH(QByteArray, gdk);
        QFETCH(QByteArray, qt);
        QTEST(DesktopScale::fromSession(resources, gdk, qt), "scale");
    }

    void applicationFromCgroup_data()
    {
        QTest::addColumn<QByteArray>("cgroup");
        QTest::addColumn<QString>("appId");
        QTest::newRow("gnome scope") << QByteArray("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                                                   "app-gnome-org.gnome.Terminal-4242.scope\n")
                                     << "org.gnome.Terminal";
        QTest::newRow("service with instance") << QByteArray("0::/user.slice/user@1000.service/app.slice/"
                                                             "app-org.gnome.Nautilus@12ab.service\n")
                                               << "org.gnome.Nautilus";
        QTest::newRow("escaped dash") << QByteArray("0::/app.slice/app-kde-org.kde.foo\\x2dbar-17.scope\n")
                                      << "org.kde.foo-bar";
        QTest::newRow("plain name") << QByteArray("0::/app.slice/app-firefox-123.scope\n") << "firefox";
        QTest::newRow("terminal session") << QByteArray("0::/user.slice/user-1000.slice/session-2.scope\n") << "";
    }

    void applicationFromCgroup()
    {
        QFETCH(QByteArray, cgroup);
        QTEST(AppIdResolver::fromCgroup(cgroup), "appId");
    }

    // A Wayland app_id or a desktop's own name for an app, as the same desktop-file id X11 windows get.
    void applicationFromAppId_data()
    {
        QTest::addColumn<QString>("appId");
        QTest::addColumn<QString>("expected");
        QTest::newRow("desktop-file id") << "org.example.ViaClass"
                                         << "org.example.ViaClass";
        QTest::newRow("file name") << "org.example.ViaClass.desktop"
                                   << "org.example.ViaClass";
        QTest::newRow("StartupWMClass") << "viaclassapp"
                                        << "org.example.ViaClass";
        QTest::newRow("no such app") << "org.example.Unknown"
                                     << "org.example.Unknown";
        QTest::newRow("none") << ""
                              << "";
    }

    void applicationFromAppId()
    {
        QFETCH(QString, appId);
        QTEST(AppIdResolver().fromAppId(appId), "expected");
    }

    // The most precise hint wins: GTK's application id, KDE's desktop file, then the window class (the captures
    // show the first and the last).
    void applicationFromTheMostPreciseHint()
    {
        AppIdResolver resolver;
        AppIdResolver::WindowFacts facts;
        facts.wmClass = QByteArray("gedit\0Gedit\0", 12);
        facts.kdeDesktopFile = "/usr/share/applications/org.kde.kate.desktop";
        QCOMPARE(resolver.resolve(facts), QString("org.kde.kate"));
        facts.gtkApplicationId = "org.gnome.gedit";
        QCOMPARE(resolver.resolve(facts), QString("org.gnome.gedit"));
    }

    // Uneven ratios: the last box of the scaler stays inside the source.
    void scalerStaysInsideTheSource()
    {
        QCOMPARE(BitmapScaler::scaled(Bitmap::filled(1707, 961, 0xff123456), 1000, 333).pixel(999, 332), 0xff123456u);
    }

    // Vendor code, vendor, model and serial (hexadecimal), name; empty when the blob is refused.
    void edidIdentity_data()
    {
        QTest::addColumn<QByteArray>("edid");
        QTest::addColumn<QString>("identity");
        QTest::newRow("extension") << blob("lg-ultrafine-with-extension.bin") << "GSM 1e6d 5b0c 75bcd15 LG ULTRAFINE";
        QTest::newRow("no name descriptor") << blob("samsung-no-name.bin") << "SAM 4c2d f75 0";
        QTest::newRow("panel with text descriptors only") << blob("laptop-panel-text-only.bin") << "BOE 9e5 747 0";
        QTest::newRow("bad checksum") << blob("corrupt-checksum.bin") << QString();
        QTest::newRow("truncated") << blob("truncated.bin") << QString();
        QByteArray noHeader = blob("dell-u2720q.bin");
        noHeader[1] = 0;
        noHeader[127] = char(noHeader[127] + 0xff);  // checksum still right: only the header is wrong
        QTest::newRow("no header") << noHeader << QString();
    }

    void edidIdentity()
    {
        QFETCH(QByteArray, edid);
        QVERIFY(!edid.isEmpty());
        const auto parsed = EdidParser::parse(edid);
        const QString identity = parsed ? QString("%1 %2 %3 %4 %5")
                                              .arg(parsed->vendorCode)
                                              .arg(parsed->vendor, 0, 16)
                                              .arg(parsed->model, 0, 16)
                                              .arg(parsed->serial, 0, 16)
                                              .arg(parsed->name)
                                        : QString();
        QTEST(identity.trimmed(), "identity");
    }
};

QTEST_GUILESS_MAIN(TestLinuxDesktop)
#include "tst_LinuxDesktop.moc"
