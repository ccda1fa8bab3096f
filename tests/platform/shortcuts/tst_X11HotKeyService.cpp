#include "app/ToggleCaptureShortcut.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "platform/linux/X11HotKeyService.h"
#include "platform/shortcuts/ForeignKeyGrab.h"
#include "support/core/TestHome.h"
#include "support/XvfbServer.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <xkbcommon/xkbcommon-keysyms.h>

#include <memory>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

namespace {

const Shortcut kCtrlAltG{5, Shortcut::kControl | Shortcut::kAlt};

// One run of the application's shortcut wiring: settings file, centre,
// the X11 service and the registry.
struct Session
{
    Session(const QString& path, EventLog& log)
        : store(path, log)
        , preferences(store)
    {
        if (auto connected = X11HotKeyService::connect(log))
            service = std::move(connected).value();
        center.setService(service.get());
        registry = std::make_unique<ShortcutRegistry>(preferences, center, log);
    }
    DefaultsStore store;
    Preferences preferences;
    std::shared_ptr<X11HotKeyService> service;
    HotKeyCenter center;
    std::unique_ptr<ShortcutRegistry> registry;
};

}  // namespace

class X11HotKeysTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    XvfbServer m_xvfb;
    int m_file = 0;

    QString nextPath() { return m_home.path() + QString("/defaults%1.json").arg(++m_file); }

    void xdotool(const QStringList& arguments) { QCOMPARE(m_xvfb.run("xdotool", arguments), 0); }

    // Ctrl+Alt+G pressed after the keys under test: once it has arrived, so
    // has every event those keys caused.
    void sendSentinel(Session& session)
    {
        int seen = 0;
        session.registry->onKeyUp(Name("sentinel", kCtrlAltG), [&] { ++seen; });
        xdotool({"key", "ctrl+alt+g"});
        QTRY_COMPARE(seen, 1);
    }

    bool lockIsOn(const QString& label)
    {
        QString output;
        m_xvfb.run("xset", {"q"}, &output);
        const qsizetype at = output.indexOf(label);
        return at >= 0 && output.mid(at + label.size(), 10).contains("on");
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* tool : {"xdotool", "xmodmap", "xset"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(),
                     qPrintable(QString("%1 is missing (Debian packages xdotool, x11-xserver-utils)").arg(tool)));
        QVERIFY2(m_xvfb.start(), qPrintable(m_xvfb.error()));
        // The usual desktop map: Alt on Mod1, Num Lock on Mod2, Super on Mod4.
        QString map;
        m_xvfb.run("xmodmap", {"-pm"}, &map);
        if (!map.contains(QRegularExpression("mod1\\s+Alt_L")))
            m_xvfb.run("xmodmap", {"-e", "add mod1 = Alt_L"});
        if (!map.contains(QRegularExpression("mod2\\s+Num_Lock")))
            m_xvfb.run("xmodmap", {"-e", "add mod2 = Num_Lock"});
    }

    void firstStartStoresAndReleaseTogglesOnce()
    {
        Session session(nextPath(), m_home.log());
        QVERIFY(session.service);
        int toggles = 0;
        int presses = 0;
        QVERIFY(ToggleCaptureShortcut::install([&] { ++toggles; }, *session.registry, Result<void>::success(), m_home.log()).ok());
        session.registry->onKeyDown(ToggleCaptureShortcut::name(), [&] { ++presses; });
        QCOMPARE(session.preferences.value("KeyboardShortcuts_toggleCapture").toString(),
                 QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":2560})"));

        xdotool({"keydown", "alt+shift+s"});
        QTRY_COMPARE(presses, 1);
        QCOMPARE(toggles, 0);  // capture toggles on release, not on press
        xdotool({"keyup", "alt+shift+s"});
        QTRY_COMPARE(toggles, 1);
        sendSentinel(session);
        QCOMPARE(toggles + presses, 2);
    }

    void holdingGivesOnePressAndOneRelease_data()
    {
        QTest::addColumn<QStringList>("sequence");
        // Held past the auto-repeat delay (660 ms under Xvfb).
        QTest::newRow("held") << QStringList{"keydown", "alt+shift+s", "sleep", "1.5", "keyup", "alt+shift+s"};
        QTest::newRow("modifiers let go first")
            << QStringList{"keydown", "alt+shift+s", "sleep", "1", "keyup", "alt",
                           "keyup",   "shift",       "sleep", "0.3", "keyup", "s"};
    }

    void holdingGivesOnePressAndOneRelease()
    {
        QFETCH(QStringList, sequence);
        Session session(nextPath(), m_home.log());
        int presses = 0;
        int releases = 0;
        session.registry->onKeyDown(ToggleCaptureShortcut::name(), [&] { ++presses; });
        session.registry->onKeyUp(ToggleCaptureShortcut::name(), [&] { ++releases; });
        xdotool(sequence);
        QTRY_COMPARE(releases, 1);
        sendSentinel(session);
        QCOMPARE(presses, 1);
        QCOMPARE(releases, 1);
    }

    void worksWithLocksOn()
    {
        const QStringList lockKeys{"Num_Lock", "Caps_Lock", "Scroll_Lock"};
        const QStringList labels{"Num Lock:", "Caps Lock:", "Scroll Lock:"};
        QCOMPARE(m_xvfb.run("xmodmap", {"-e", "add mod3 = Scroll_Lock"}), 0);
        Session session(nextPath(), m_home.log());
        int releases = 0;
        session.registry->onKeyUp(ToggleCaptureShortcut::name(), [&] { ++releases; });
        for (const QString& key : lockKeys)
            xdotool({"key", key});
        for (const QString& label : labels)
            QVERIFY2(lockIsOn(label), qPrintable(label));
        xdotool({"key", "alt+shift+s"});
        QTRY_COMPARE(releases, 1);
        for (const QString& key : lockKeys)
            xdotool({"key", key});
        for (const QString& label : labels)
            QVERIFY(!lockIsOn(label));
        QCOMPARE(m_xvfb.run("xmodmap", {"-e", "clear mod3"}), 0);
    }

    // Another client holds the combination with Num Lock on: our grab of the
    // plain combination succeeds first and must be undone.
    void takenCombinationFailsCleanly()
    {
        ForeignKeyGrab other(m_xvfb.display());
        QVERIFY(other.grab(XKB_KEY_g, 0x4 | 0x8 | 0x10));  // Ctrl+Alt+G with Num Lock
        Session session(nextPath(), m_home.log());
        const Name name("taken", kCtrlAltG);
        QSignalSpy failed(session.registry.get(), &ShortcutRegistry::registrationFailed);
        session.registry->onKeyUp(name, [] {});
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().at(1).toString().contains("Ctrl+Alt+G"));
        QVERIFY(other.grab(XKB_KEY_g, 0x4 | 0x8));  // our partial grab was let go
        QCOMPARE(session.registry->shortcut(name), kCtrlAltG);
    }
};

QTEST_GUILESS_MAIN(X11HotKeysTest)
#include "tst_X11HotKeyService.moc"
