#include "core/shortcuts/VirtualKeyCodes.h"
#include "support/core/ShortcutStack.h"
#include "support/core/TestHome.h"

#include <QtTest>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;
using K = HotKeyService::EventKind;

namespace {

const Shortcut kAltShiftS{1, Shortcut::kAlt | Shortcut::kShift};  // stored modifiers 2560
const Shortcut kCtrlK{40, Shortcut::kControl};
const Shortcut kF5{96, 0};
const Name kToggle("toggleCapture", kAltShiftS);

}  // namespace

class KeyboardShortcutsTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    int m_file = 0;
    QString nextPath() { return m_home.path() + QString("/defaults%1.json").arg(++m_file); }

private Q_SLOTS:
    void jsonFormAndKeyTable()
    {
        QCOMPARE(kAltShiftS.toJsonString(), R"({"carbonKeyCode":1,"carbonModifiers":2560})");
        QCOMPARE(Shortcut::fromJsonString(R"({"carbonModifiers":4096,"carbonKeyCode":40})"), kCtrlK);
        QCOMPARE(Shortcut::fromKey(1, Qt::AltModifier | Qt::ShiftModifier | Qt::KeypadModifier), kAltShiftS);
        QCOMPARE(VirtualKeyCodes::fromQtKey(Qt::Key_Exclam, false), 18);  // Shift+1
        QCOMPARE(VirtualKeyCodes::fromQtKey(Qt::Key_Home, true), 115);
    }

    void storedValueIsReadByType_data()
    {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<bool>("hasShortcut");
        QTest::newRow("false") << QJsonValue(false) << false;
        QTest::newRow("other shortcut") << QJsonValue(kCtrlK.toJsonString()) << true;
        QTest::newRow("not JSON") << QJsonValue("{carbon") << false;
        QTest::newRow("fractional") << QJsonValue(R"({"carbonKeyCode":1.5,"carbonModifiers":0})") << false;
    }

    // Declaring never overwrites an entry of any kind.
    void storedValueIsReadByType()
    {
        QFETCH(QJsonValue, stored);
        QFETCH(bool, hasShortcut);
        ShortcutStack setup(nextPath(), m_home.log());
        setup.preferences.setValue(kToggle.settingsKey(), stored);
        const auto shortcut = setup.registry.shortcut(kToggle);
        QCOMPARE(setup.preferences.value(kToggle.settingsKey()), stored);
        QCOMPARE(shortcut, hasShortcut ? std::optional(kCtrlK) : std::nullopt);
    }

    void firstStartStoresInitialAndClearingSticks()
    {
        const QString path = nextPath();
        {
            ShortcutStack setup(path, m_home.log());
            int ups = 0;
            setup.registry.onKeyUp(kToggle, [&] { ++ups; });
            QCOMPARE(setup.preferences.value("KeyboardShortcuts_toggleCapture").toString(), kAltShiftS.toJsonString());
            QVERIFY(setup.fake.press(1, 2560));
            QCOMPARE(ups, 0);
            QVERIFY(setup.fake.release(1, 2560));
            QCOMPARE(ups, 1);

            QSignalSpy changed(&setup.registry, &ShortcutRegistry::shortcutByNameDidChange);
            setup.registry.setShortcut(std::nullopt, kToggle);
            QCOMPARE(setup.preferences.value(kToggle.settingsKey()), QJsonValue(false));
            QCOMPARE(setup.fake.grabCount(), 0);
            QCOMPARE(changed.first().first().value<Name>().rawValue(), "toggleCapture");
            setup.registry.setShortcut(std::nullopt, kToggle);  // already cleared: nothing at all
            QCOMPARE(changed.size(), 1);

            // Without an initial shortcut, clearing removes the entry.
            const Name other("other");
            setup.registry.setShortcut(kCtrlK, other);
            setup.registry.setShortcut(std::nullopt, other);
            QVERIFY(setup.preferences.value(other.settingsKey()).isUndefined());
        }
        ShortcutStack restarted(path, m_home.log());
        restarted.registry.onKeyUp(kToggle, [] {});
        QCOMPARE(restarted.preferences.value(kToggle.settingsKey()), QJsonValue(false));
        QCOMPARE(restarted.fake.grabCount(), 0);
    }

    void namesShareOneRegistration()
    {
        ShortcutStack setup(nextPath(), m_home.log());
        const Name first("first", kCtrlK);
        const Name second("second", kCtrlK);
        QStringList order;
        setup.registry.onKeyDown(first, [&] { order << "first"; });
        setup.registry.onKeyDown(second, [&] { order << "second"; });
        setup.registry.onKeyDown(first, [&] { order << "first again"; });
        QCOMPARE(setup.fake.grabCount(), 1);
        setup.fake.press(40, Shortcut::kControl);
        QCOMPARE(order, (QStringList{"first", "first again", "second"}));

        setup.registry.setShortcut(std::nullopt, first);
        QCOMPARE(setup.fake.grabCount(), 1);  // still in use by "second"
        setup.registry.setShortcut(kF5, second);
        QVERIFY(!setup.fake.isGrabbed(40, Shortcut::kControl));
        QVERIFY(setup.fake.isGrabbed(96, 0));
    }

    // While a recorder listens nothing is grabbed; while disabled nothing fires; while a menu is open (and holds
    // the keyboard) the keys arrive raw and are matched exactly.
    void pausedDisabledMenuOpenAndTaken()
    {
        ShortcutStack setup(nextPath(), m_home.log());
        int downs = 0, ups = 0;
        setup.registry.onKeyDown(kToggle, [&] { ++downs; });
        setup.registry.onKeyUp(kToggle, [&] { ++ups; });
        setup.registry.setRecorderActive(true);
        QCOMPARE(setup.fake.grabCount(), 0);  // a recorder can hear the combination
        setup.registry.setRecorderActive(false);
        setup.registry.setEnabled(false);
        QVERIFY(!setup.fake.press(1, 2560));
        setup.registry.setEnabled(true);
        QVERIFY(setup.fake.press(1, 2560));
        QCOMPARE(downs, 1);
        setup.registry.onKeyDown(Name("reload", kF5), [&] { ++downs; });
        setup.center.setMenuOpen(true);
        QCOMPARE(setup.fake.grabCount(), 0);
        QVERIFY(!setup.fake.sendRawKey(K::released, 1, Shortcut::kAlt));  // other modifiers
        QVERIFY(setup.fake.sendRawKey(K::released, 1, 2560));
        QVERIFY(setup.fake.sendRawKey(K::pressed, 96, 0));
        QCOMPARE(downs + ups, 3);
        setup.center.setMenuOpen(false);
        QCOMPARE(setup.fake.grabCount(), 2);
        QVERIFY(!setup.fake.rawKeyEventsEnabled);

        ShortcutStack taken(nextPath(), m_home.log());
        taken.fake.markTaken(1, 2560);
        QSignalSpy failed(&taken.registry, &ShortcutRegistry::registrationFailed);
        taken.registry.onKeyUp(kToggle, [] {});
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().at(1).toString().contains("Alt+Shift+S"));
        QCOMPARE(taken.registry.shortcut(kToggle), kAltShiftS);  // the stored shortcut stays
    }

    // A change written by another process takes effect without a restart.
    void followsChangesInTheSettingsFile()
    {
        ShortcutStack setup(nextPath(), m_home.log());
        QSignalSpy changed(&setup.registry, &ShortcutRegistry::shortcutByNameDidChange);
        setup.registry.onKeyUp(kToggle, [] {});
        DefaultsStore(setup.store.path(), m_home.log()).setValue(kToggle.settingsKey(), kCtrlK.toJsonString());
        QTRY_COMPARE(changed.size(), 1);  // declaring was no change
        QVERIFY(setup.fake.isGrabbed(40, Shortcut::kControl));
        setup.registry.setShortcut(kF5, kToggle);  // our own write: one notice, not two
        QCOMPARE(changed.size(), 2);
        DefaultsStore(setup.store.path(), m_home.log())
            .setValue(kToggle.settingsKey(), kCtrlK.toJsonString());  // comes after
        QTRY_COMPARE(changed.size(), 3);
        QCOMPARE(setup.fake.grabCount(), 1);
    }
};

QTEST_GUILESS_MAIN(KeyboardShortcutsTest)
#include "tst_KeyboardShortcuts.moc"
