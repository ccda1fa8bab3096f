#include "app/ToggleCaptureShortcut.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "platform/linux/X11HotKeyService.h"
#include "platform/shortcuts/ForeignKeyGrab.h"
#include "support/TestHome.h"
#include "support/XvfbServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <xkbcommon/xkbcommon-keysyms.h>

#include <memory>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

namespace {

const Shortcut kAltShiftS{1, Shortcut::kOption | Shortcut::kShift};
const Shortcut kCtrlAltG{5, Shortcut::kControl | Shortcut::kOption};

// One run of the application's shortcut wiring: settings file, centre,
// the X11 service and the registry.
struct Session
{
    explicit Session(const QString& path)
        : store(path)
        , preferences(store)
    {
        auto connected = X11HotKeyService::connect();
        if (connected)
            service = std::move(connected).value();
        center.setService(service.get());
        registry = std::make_unique<ShortcutRegistry>(preferences, center);
    }
    ~Session() { registry.reset(); }

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

private:
    TestHome m_home;
    XvfbServer m_xvfb;
    int m_file = 0;

    QString nextPath() { return m_home.path() + QStringLiteral("/defaults%1.json").arg(++m_file); }

    void xdotool(const QStringList& arguments)
    {
        QCOMPARE(m_xvfb.run(QStringLiteral("xdotool"), arguments), 0);
    }

    bool lockIsOn(const QString& label)
    {
        QString output;
        m_xvfb.run(QStringLiteral("xset"), {QStringLiteral("q")}, &output);
        const qsizetype at = output.indexOf(label);
        return at >= 0 && output.mid(at + label.size(), 10).contains(QLatin1String("on"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const auto& [tool, package] : {std::pair{"xdotool", "xdotool"}, std::pair{"xmodmap", "x11-xserver-utils"},
                                            std::pair{"xset", "x11-xserver-utils"}}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1 is not installed (Debian package %2)").arg(tool, package)));
        }
        QVERIFY2(m_xvfb.start(), qPrintable(m_xvfb.error()));
        // The usual desktop map: Alt on Mod1, Num Lock on Mod2, Super on Mod4.
        QString map;
        m_xvfb.run(QStringLiteral("xmodmap"), {QStringLiteral("-pm")}, &map);
        if (!map.contains(QRegularExpression(QStringLiteral("mod1\\s+Alt_L"))))
            m_xvfb.run(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("add mod1 = Alt_L")});
        if (!map.contains(QRegularExpression(QStringLiteral("mod2\\s+Num_Lock"))))
            m_xvfb.run(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("add mod2 = Num_Lock")});
    }

    void firstStartStoresAndReleaseTogglesOnce()
    {
        Session session(nextPath());
        QVERIFY(session.service);
        QVERIFY(session.service->hasDetectableAutoRepeat());
        QCOMPARE(session.service->numLockMask(), quint16(0x10));  // Mod2
        int toggles = 0;
        int presses = 0;
        QVERIFY(ToggleCaptureShortcut::install([&] { ++toggles; }, *session.registry, session.center).ok());
        session.registry->onKeyDown(ToggleCaptureShortcut::name(), [&] { ++presses; });
        QCOMPARE(session.preferences.value(QStringLiteral("KeyboardShortcuts_toggleCapture")).toString(),
                 QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":2560})"));
        QVERIFY(session.registry->isGrabbed(kAltShiftS));

        xdotool({QStringLiteral("keydown"), QStringLiteral("alt+shift+s")});
        QTRY_COMPARE(presses, 1);
        QCOMPARE(toggles, 0);  // capture toggles on release, not on press
        xdotool({QStringLiteral("keyup"), QStringLiteral("alt+shift+s")});
        QTRY_COMPARE(toggles, 1);
        QTest::qWait(200);
        QCOMPARE(toggles, 1);
        QCOMPARE(presses, 1);
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
        Session session(nextPath());
        int presses = 0;
        int releases = 0;
        session.registry->onKeyDown(ToggleCaptureShortcut::name(), [&] { ++presses; });
        session.registry->onKeyUp(ToggleCaptureShortcut::name(), [&] { ++releases; });
        xdotool(sequence);
        QTRY_COMPARE(releases, 1);
        QTest::qWait(300);
        QCOMPARE(presses, 1);
        QCOMPARE(releases, 1);
    }

    void worksWithLocksOn_data()
    {
        QTest::addColumn<QStringList>("lockKeys");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("Num Lock") << QStringList{"Num_Lock"} << QStringList{"Num Lock:"};
        QTest::newRow("Caps Lock") << QStringList{"Caps_Lock"} << QStringList{"Caps Lock:"};
        // Scroll Lock is a lock modifier only where the keymap puts it on one.
        QTest::newRow("Scroll Lock") << QStringList{"Scroll_Lock"} << QStringList{"Scroll Lock:"};
        QTest::newRow("all three") << QStringList{"Num_Lock", "Caps_Lock", "Scroll_Lock"}
                                   << QStringList{"Num Lock:", "Caps Lock:", "Scroll Lock:"};
    }

    void worksWithLocksOn()
    {
        QFETCH(QStringList, lockKeys);
        QFETCH(QStringList, labels);
        const QStringList scrollOnMod3{QStringLiteral("-e"), QStringLiteral("add mod3 = Scroll_Lock")};
        QCOMPARE(m_xvfb.run(QStringLiteral("xmodmap"), scrollOnMod3), 0);
        Session session(nextPath());
        QCOMPARE(session.service->scrollLockMask(), quint16(0x20));
        int releases = 0;
        session.registry->onKeyUp(ToggleCaptureShortcut::name(), [&] { ++releases; });
        QCOMPARE(session.service->grabCount(), 8);  // every mix of three locks
        for (const QString& key : lockKeys)
            xdotool({QStringLiteral("key"), key});
        for (const QString& label : labels)
            QVERIFY2(lockIsOn(label), qPrintable(label));
        xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+s")});
        QTRY_COMPARE(releases, 1);
        for (const QString& key : lockKeys)
            xdotool({QStringLiteral("key"), key});
        for (const QString& label : labels)
            QVERIFY(!lockIsOn(label));
        QCOMPARE(m_xvfb.run(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("clear mod3")}), 0);
    }

    // Swapping the S and X keys moves the grab along with the S.
    void followsKeymapChanges()
    {
        Session session(nextPath());
        int releases = 0;
        session.registry->onKeyUp(ToggleCaptureShortcut::name(), [&] { ++releases; });
        const auto remap = [this](const QString& s, const QString& x) {
            QCOMPARE(m_xvfb.run(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("keycode 39 = ") + s,
                                                            QStringLiteral("-e"), QStringLiteral("keycode 53 = ") + x}),
                     0);
        };
        remap(QStringLiteral("x X"), QStringLiteral("s S"));
        QTest::qWait(300);  // the mapping notice reaches us through the event loop
        xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+s")});
        QTRY_COMPARE(releases, 1);
        xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+x")});
        QTest::qWait(200);
        QCOMPARE(releases, 1);
        remap(QStringLiteral("s S"), QStringLiteral("x X"));
        QTest::qWait(300);
        xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+s")});
        QTRY_COMPARE(releases, 2);
    }

    // Another client holds the combination with Num Lock on: our grab of the
    // plain combination succeeds first and must be undone.
    void takenCombinationFailsCleanly()
    {
        ForeignKeyGrab other(m_xvfb.display());
        QVERIFY(other.grab(XKB_KEY_g, 0x4 | 0x8 | 0x10));  // Ctrl+Alt+G with Num Lock
        Session session(nextPath());
        const Name name(QStringLiteral("taken"), kCtrlAltG);
        QSignalSpy failed(session.registry.get(), &ShortcutRegistry::registrationFailed);
        int releases = 0;
        session.registry->onKeyUp(name, [&] { ++releases; });
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().at(1).toString().contains(QStringLiteral("Ctrl+Alt+G")));
        QVERIFY(!session.registry->isGrabbed(kCtrlAltG));
        QCOMPARE(session.service->grabCount(), 0);
        QVERIFY(other.grab(XKB_KEY_g, 0x4 | 0x8));  // our partial grab was let go
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+g")});
        QTest::qWait(200);
        QCOMPARE(releases, 0);
        QCOMPARE(session.registry->shortcut(name), kCtrlAltG);
    }

    // What start-up calls: the process-wide registry over the real settings
    // file. Last, because the shared service keeps its connection.
    void installOverTheSharedRegistry()
    {
        int toggles = 0;
        const auto installed = ToggleCaptureShortcut::install([&] { ++toggles; });
        QVERIFY2(installed.ok(), qPrintable(installed.error()));
        QFile file(DefaultsStore::standardPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("KeyboardShortcuts_toggleCapture")),
                 QJsonValue(QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":2560})")));
        xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+s")});
        QTRY_COMPARE(toggles, 1);

        KeyboardShortcuts::setShortcut(std::nullopt, ToggleCaptureShortcut::name());
        QCOMPARE(KeyboardShortcuts::getShortcut(ToggleCaptureShortcut::name()), std::nullopt);
        xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+s")});
        QTest::qWait(200);
        QCOMPARE(toggles, 1);
    }
};

QTEST_GUILESS_MAIN(X11HotKeysTest)
#include "tst_X11HotKeyService.moc"
