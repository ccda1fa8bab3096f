// Runs a real QApplication on the xcb platform inside a private Xvfb: our
// own popups grab the keyboard there exactly as on a desktop.
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "platform/linux/X11HotKeyService.h"
#include "platform/shortcuts/ForeignKeyGrab.h"
#include "support/core/TestHome.h"
#include "support/XvfbServer.h"
#include "ui/MenuTrackingObserver.h"

#include <QApplication>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

static const Name kName(QStringLiteral("toggleCapture"), Shortcut{1, Shortcut::kAlt | Shortcut::kShift});

class ShortcutMenuPathTest : public QObject
{
    Q_OBJECT

public:
    ShortcutMenuPathTest(TestHome& home, XvfbServer& xvfb)
        : m_home(home)
        , m_xvfb(xvfb)
    {
    }

private:
    TestHome& m_home;
    XvfbServer& m_xvfb;
    int m_file = 0;
    std::unique_ptr<DefaultsStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::shared_ptr<X11HotKeyService> m_service;
    std::unique_ptr<HotKeyCenter> m_center;
    std::unique_ptr<ShortcutRegistry> m_registry;
    std::unique_ptr<QWidget> m_window;
    int m_downs = 0;
    int m_ups = 0;

    void xdotool(const QStringList& arguments)
    {
        QCOMPARE(m_xvfb.run(QStringLiteral("xdotool"), arguments), 0);
    }

    // Opens a menu of our window and waits until it holds the keyboard.
    void openMenu(QMenu& menu)
    {
        menu.addAction(QStringLiteral("Start Capture"));
        menu.addAction(QStringLiteral("Settings…"));
        menu.popup(m_window->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QTRY_COMPARE(QApplication::activePopupWidget(), &menu);
        ForeignKeyGrab probe(m_xvfb.display());
        QTRY_VERIFY(probe.keyboardIsGrabbed());  // the popup's grab follows its map
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QFAIL("xdotool is not installed (Debian package xdotool)");
    }

    void init()
    {
        m_store = std::make_unique<DefaultsStore>(m_home.path() + QStringLiteral("/d%1.json").arg(++m_file), m_home.log());
        m_preferences = std::make_unique<Preferences>(*m_store);
        auto connected = X11HotKeyService::connect(m_home.log());
        QVERIFY2(connected.ok(), qPrintable(connected.error()));
        m_service = std::move(connected).value();
        m_center = std::make_unique<HotKeyCenter>(m_service.get());
        m_registry = std::make_unique<ShortcutRegistry>(*m_preferences, *m_center, m_home.log());
        m_downs = m_ups = 0;
        m_registry->onKeyDown(kName, [this] { ++m_downs; });
        m_registry->onKeyUp(kName, [this] { ++m_ups; });
        m_window = std::make_unique<QWidget>();
        m_window->resize(300, 200);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_registry.reset();
        m_center.reset();
        m_service.reset();
    }

    void shortcutWorksWhileOurMenuIsOpen()
    {
        MenuTrackingObserver observer(*m_center);
        QMenu menu(m_window.get());
        openMenu(menu);
        QTRY_VERIFY(m_center->isMenuOpen());
        QVERIFY(ForeignKeyGrab(m_xvfb.display()).grab(0x73, 0x1 | 0x8));  // our Alt+Shift+S grab was let go
        xdotool({"key", "alt+shift+s"});
        QTRY_COMPARE(m_ups, 1);
        xdotool({"keydown", "alt+shift+s", "keyup", "alt", "keyup", "shift", "keyup", "s"});  // modifiers let go first
        QTRY_COMPARE(m_ups, 2);
        xdotool({"key", "alt+shift+s"});  // after it, no event of the keys before can come
        QTRY_COMPARE(m_ups, 3);
        QCOMPARE(m_downs, 3);
        QVERIFY(menu.isVisible());  // the keys went to the shortcut, not the menu

        menu.close();
        QTRY_VERIFY(!m_center->isMenuOpen());
        xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+s")});
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
    ShortcutMenuPathTest test(home, xvfb);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ShortcutMenuPath.moc"
