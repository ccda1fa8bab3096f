#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/FakeHotKeyService.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/shortcuts/VirtualKeyCodes.h"
#include "support/TestHome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

namespace {

const Shortcut kAltShiftS{1, Shortcut::kOption | Shortcut::kShift};
const Shortcut kCtrlK{40, Shortcut::kControl};
const Shortcut kF5{96, 0};

// A registry over a fresh settings file, a fresh centre and a fake service;
// rebuilding it over the same file is a restart.
struct Setup
{
    explicit Setup(const QString& path)
        : store(path)
        , preferences(store)
        , center(&service)
        , registry(std::make_unique<ShortcutRegistry>(preferences, center))
    {
    }
    DefaultsStore store;
    Preferences preferences;
    FakeHotKeyService service;
    HotKeyCenter center;
    std::unique_ptr<ShortcutRegistry> registry;
};

}  // namespace

class KeyboardShortcutsTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    int m_file = 0;
    QString nextPath() { return m_home.path() + QStringLiteral("/defaults%1.json").arg(++m_file); }

private Q_SLOTS:
    void jsonFormRoundTrips()
    {
        QCOMPARE(kAltShiftS.toJsonString(), QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":2560})"));
        QCOMPARE(Shortcut::fromJsonString(QStringLiteral(R"({"carbonModifiers":4096,"carbonKeyCode":40})")), kCtrlK);
        QCOMPARE(Shortcut::fromKey(1, Qt::AltModifier | Qt::ShiftModifier | Qt::KeypadModifier), kAltShiftS);
        QCOMPARE(Shortcut::fromKey(0, Qt::ControlModifier | Qt::MetaModifier).carbonModifiers, 0x1100);
        QCOMPARE(kAltShiftS.symbols(), QString::fromUtf8("⌥⇧S"));
        QCOMPARE(kAltShiftS.words(), QStringLiteral("Alt+Shift+S"));
    }

    void storedValueIsReadByType_data()
    {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<bool>("hasShortcut");
        QTest::newRow("false") << QJsonValue(false) << false;
        QTest::newRow("other shortcut") << QJsonValue(kCtrlK.toJsonString()) << true;
        QTest::newRow("not JSON") << QJsonValue(QStringLiteral("{carbon")) << false;
        QTest::newRow("member missing") << QJsonValue(QStringLiteral(R"({"carbonKeyCode":1})")) << false;
        QTest::newRow("fractional") << QJsonValue(QStringLiteral(R"({"carbonKeyCode":1.5,"carbonModifiers":0})")) << false;
        QTest::newRow("a number") << QJsonValue(7) << false;
    }

    // Declaring never overwrites an entry of any kind.
    void storedValueIsReadByType()
    {
        QFETCH(QJsonValue, stored);
        QFETCH(bool, hasShortcut);
        Setup setup(nextPath());
        const Name name(QStringLiteral("toggleCapture"), kAltShiftS);
        setup.preferences.setValue(name.settingsKey(), stored);
        const auto shortcut = setup.registry->shortcut(name);
        QCOMPARE(setup.preferences.value(name.settingsKey()), stored);
        QCOMPARE(shortcut.has_value(), hasShortcut);
        if (hasShortcut)
            QCOMPARE(*shortcut, kCtrlK);
    }

    void firstStartStoresInitialAndClearingSticks()
    {
        const QString path = nextPath();
        const Name name(QStringLiteral("toggleCapture"), kAltShiftS);
        {
            Setup setup(path);
            int ups = 0;
            setup.registry->onKeyUp(name, [&] { ++ups; });
            QCOMPARE(setup.preferences.value(QStringLiteral("KeyboardShortcuts_toggleCapture")).toString(),
                     kAltShiftS.toJsonString());
            QVERIFY(setup.service.isGrabbed(1, 2560));
            QVERIFY(setup.service.press(1, 2560));
            QCOMPARE(ups, 0);
            QVERIFY(setup.service.release(1, 2560));
            QCOMPARE(ups, 1);

            QSignalSpy changed(setup.registry.get(), &ShortcutRegistry::shortcutByNameDidChange);
            setup.registry->setShortcut(std::nullopt, name);
            QCOMPARE(setup.preferences.value(name.settingsKey()), QJsonValue(false));
            QCOMPARE(setup.service.grabCount(), 0);
            QCOMPARE(changed.size(), 1);
            QCOMPARE(changed.first().first().value<Name>().rawValue(), QStringLiteral("toggleCapture"));
            setup.registry->setShortcut(std::nullopt, name);  // already cleared: nothing at all
            QCOMPARE(changed.size(), 1);
        }
        Setup restarted(path);
        restarted.registry->onKeyUp(name, [] {});
        QCOMPARE(restarted.preferences.value(name.settingsKey()), QJsonValue(false));
        QCOMPARE(restarted.service.registrationAttempts, 0);
    }

    void clearingWithoutInitialRemovesEntry()
    {
        Setup setup(nextPath());
        const Name name(QStringLiteral("other"));
        setup.registry->setShortcut(kCtrlK, name);
        QCOMPARE(setup.preferences.value(name.settingsKey()).toString(), kCtrlK.toJsonString());
        setup.registry->setShortcut(std::nullopt, name);
        QVERIFY(setup.preferences.value(name.settingsKey()).isUndefined());
    }

    void namesShareOneRegistration()
    {
        Setup setup(nextPath());
        const Name first(QStringLiteral("first"), kCtrlK);
        const Name second(QStringLiteral("second"), kCtrlK);
        QStringList order;
        setup.registry->onKeyDown(first, [&] { order << QStringLiteral("first"); });
        setup.registry->onKeyDown(second, [&] { order << QStringLiteral("second"); });
        setup.registry->onKeyDown(first, [&] { order << QStringLiteral("first again"); });
        QCOMPARE(setup.service.grabCount(), 1);
        setup.service.press(40, Shortcut::kControl);
        QCOMPARE(order, (QStringList{"first", "first again", "second"}));

        setup.registry->setShortcut(std::nullopt, first);
        QCOMPARE(setup.service.grabCount(), 1);  // still in use by "second"
        order.clear();
        setup.service.press(40, Shortcut::kControl);
        QCOMPARE(order, QStringList{"second"});
        setup.registry->setShortcut(kF5, second);
        QVERIFY(!setup.service.isGrabbed(40, Shortcut::kControl));
        QVERIFY(setup.service.isGrabbed(96, 0));
    }

    void pausedAndDisabledDoNothing()
    {
        Setup setup(nextPath());
        const Name name(QStringLiteral("toggleCapture"), kAltShiftS);
        int downs = 0;
        setup.registry->onKeyDown(name, [&] { ++downs; });
        QSignalSpy active(setup.registry.get(), &ShortcutRegistry::recorderActiveStatusDidChange);
        setup.registry->setRecorderActive(true);
        QVERIFY(setup.registry->isPaused());
        QCOMPARE(setup.service.grabCount(), 0);  // a recorder can hear the combination
        QCOMPARE(setup.center.mode(), HotKeyCenter::Mode::disabled);
        setup.registry->setRecorderActive(false);
        QCOMPARE(active.size(), 2);
        QCOMPARE(active.at(0).first().toBool(), true);
        QCOMPARE(active.at(1).first().toBool(), false);
        QVERIFY(setup.service.isGrabbed(1, 2560));

        setup.registry->setEnabled(false);
        QCOMPARE(setup.service.grabCount(), 0);
        QVERIFY(!setup.service.press(1, 2560));
        setup.registry->setEnabled(true);
        QVERIFY(setup.service.press(1, 2560));
        QCOMPARE(downs, 1);
    }

    void registrationFailureIsReported()
    {
        Setup setup(nextPath());
        setup.service.markTaken(1, 2560);
        const Name name(QStringLiteral("toggleCapture"), kAltShiftS);
        QSignalSpy failed(setup.registry.get(), &ShortcutRegistry::registrationFailed);
        setup.registry->onKeyUp(name, [] {});
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().at(1).toString().contains(QStringLiteral("Alt+Shift+S")));
        QCOMPARE(setup.service.grabCount(), 0);
        QVERIFY(setup.registry->isRegistered(kAltShiftS));
        QVERIFY(!setup.registry->isGrabbed(kAltShiftS));
        QCOMPARE(setup.registry->shortcut(name), kAltShiftS);  // the stored shortcut stays
    }

    void foreignEventsAreNotHandled()
    {
        Setup setup(nextPath());
        const Name name(QStringLiteral("toggleCapture"), kAltShiftS);
        int ups = 0;
        setup.registry->onKeyUp(name, [&] { ++ups; });
        const int id = setup.center.lastHotKeyId();
        using K = HotKeyService::EventKind;
        QVERIFY(!setup.service.sendHotKeyEvent({K::released, {0x41424344, id}}));
        QVERIFY(!setup.service.sendHotKeyEvent({K::released, {HotKeyCenter::kSignature, id + 7}}));
        QVERIFY(setup.service.sendHotKeyEvent({K::released, {HotKeyCenter::kSignature, id}}));
        QCOMPARE(ups, 1);
    }

    void menuOpenUsesRawKeys()
    {
        Setup setup(nextPath());
        const Name capture(QStringLiteral("toggleCapture"), kAltShiftS);
        const Name reload(QStringLiteral("reload"), kF5);
        int captures = 0;
        int reloads = 0;
        setup.registry->onKeyUp(capture, [&] { ++captures; });
        setup.registry->onKeyDown(reload, [&] { ++reloads; });
        setup.center.setMenuOpen(true);
        QCOMPARE(setup.center.mode(), HotKeyCenter::Mode::menuOpen);
        QCOMPARE(setup.service.grabCount(), 0);
        using K = HotKeyService::EventKind;
        QVERIFY(!setup.service.sendRawKey(K::released, 1, Shortcut::kOption));  // other modifiers
        QVERIFY(setup.service.sendRawKey(K::released, 1, 2560));
        QVERIFY(setup.service.sendRawKey(K::pressed, 96, Shortcut::kFunction));  // F keys carry the flag
        QVERIFY(!setup.service.sendRawKey(K::pressed, 1, 2560 | Shortcut::kFunction));
        QCOMPARE(captures, 1);
        QCOMPARE(reloads, 1);
        setup.center.setMenuOpen(false);
        QCOMPARE(setup.service.grabCount(), 2);
        QVERIFY(!setup.service.rawKeyEventsEnabled);
    }

    // A change written by another process takes effect without a restart.
    void followsChangesInTheSettingsFile()
    {
        Setup setup(nextPath());
        const Name name(QStringLiteral("toggleCapture"), kAltShiftS);
        QSignalSpy changed(setup.registry.get(), &ShortcutRegistry::shortcutByNameDidChange);
        setup.registry->onKeyUp(name, [] {});
        QTest::qWait(100);
        QCOMPARE(changed.size(), 0);  // declaring is no change
        DefaultsStore otherProcess(setup.store.path());
        otherProcess.setValue(name.settingsKey(), kCtrlK.toJsonString());
        QTRY_COMPARE(changed.size(), 1);
        QVERIFY(setup.service.isGrabbed(40, Shortcut::kControl));
        QCOMPARE(setup.service.grabCount(), 1);
        setup.registry->setShortcut(kF5, name);  // our own write: one notice, not two
        QTest::qWait(100);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(setup.service.grabCount(), 1);
    }

    void switchingServicesMovesTheGrabs()
    {
        Setup setup(nextPath());
        const Name name(QStringLiteral("toggleCapture"), kAltShiftS);
        int ups = 0;
        setup.registry->onKeyUp(name, [&] { ++ups; });
        FakeHotKeyService other;
        setup.center.setService(&other);
        QCOMPARE(setup.service.grabCount(), 0);
        QVERIFY(other.isGrabbed(1, 2560));
        QVERIFY(other.release(1, 2560));
        setup.center.setService(nullptr);
        QCOMPARE(other.grabCount(), 0);
        setup.registry->setPaused(true);  // mode changes without a service are harmless
        setup.registry->setPaused(false);
        QCOMPARE(ups, 1);
    }

    void keyTableIsConsistent()
    {
        QSet<int> codes;
        for (const auto& key : VirtualKeyCodes::all()) {
            QVERIFY2(!codes.contains(key.code), qPrintable(QString::number(key.code)));
            codes.insert(key.code);
            QCOMPARE(VirtualKeyCodes::fromQtKey(key.qtKey, key.keypad), key.code);
        }
        QCOMPARE(VirtualKeyCodes::fromQtKey(Qt::Key_Exclam, false), 18);  // Shift+1
        QCOMPARE(VirtualKeyCodes::fromQtKey(Qt::Key_Home, true), 115);
        for (int code : {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90})
            QVERIFY(VirtualKeyCodes::isFunctionKey(code) && codes.contains(code));
    }
};

QTEST_GUILESS_MAIN(KeyboardShortcutsTest)
#include "tst_KeyboardShortcuts.moc"
