#include "core/settings/DefaultsStore.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/FakeHotKeyService.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "support/TestHome.h"
#include "ui/ShortcutRecorder.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

namespace {

const Shortcut kAltShiftS{1, Shortcut::kOption | Shortcut::kShift};

}  // namespace

class ShortcutRecorderTest : public QObject
{
    Q_OBJECT

private:
    TestHome m_home;
    int m_file = 0;
    const Name m_name{QStringLiteral("toggleCapture"), kAltShiftS};

    std::unique_ptr<DefaultsStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<FakeHotKeyService> m_service;
    std::unique_ptr<HotKeyCenter> m_center;
    std::unique_ptr<ShortcutRegistry> m_registry;
    std::unique_ptr<QWidget> m_window;
    ShortcutRecorder* m_recorder = nullptr;
    QList<std::optional<Shortcut>> m_changes;
    int m_toggles = 0;

    void focusField()
    {
        m_recorder->field()->setFocus(Qt::MouseFocusReason);
        QVERIFY(m_recorder->isRecording());
    }

private Q_SLOTS:
    void init()
    {
        m_store = std::make_unique<DefaultsStore>(m_home.path() + QStringLiteral("/d%1.json").arg(++m_file));
        m_preferences = std::make_unique<Preferences>(*m_store);
        m_service = std::make_unique<FakeHotKeyService>();
        m_center = std::make_unique<HotKeyCenter>(m_service.get());
        m_registry = std::make_unique<ShortcutRegistry>(*m_preferences, *m_center);
        m_registry->onKeyUp(m_name, [this] { ++m_toggles; });
        m_window = std::make_unique<QWidget>();
        auto* other = new QLineEdit(m_window.get());
        other->move(0, 80);
        m_recorder = new ShortcutRecorder(m_name, *m_registry,
                                          [this](const std::optional<Shortcut>& s) { m_changes << s; },
                                          m_window.get());
        m_changes.clear();
        m_toggles = 0;
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        other->setFocus();
    }

    void cleanup()
    {
        m_window.reset();
        m_registry.reset();
        m_center.reset();
        m_service.reset();
        m_preferences.reset();
        m_store.reset();
    }

    void showsStoredShortcutAsSymbols()
    {
        QCOMPARE(m_recorder->field()->text(), QString::fromUtf8("⌥⇧S"));
        QCOMPARE(m_recorder->field()->placeholderText(), ShortcutRecorder::recordShortcutText());
        QVERIFY(m_recorder->clearAction()->isVisible());
    }

    void recordingPausesShortcuts()
    {
        QSignalSpy active(m_registry.get(), &ShortcutRegistry::recorderActiveStatusDidChange);
        focusField();
        QCOMPARE(m_recorder->field()->placeholderText(), ShortcutRecorder::pressShortcutText());
        QVERIFY(m_registry->isPaused());
        QCOMPARE(m_service->grabCount(), 0);
        QCOMPARE(active.size(), 1);
        QCOMPARE(active.first().first().toBool(), true);

        QTest::keyClick(m_recorder->field(), Qt::Key_Escape);  // cancel
        QVERIFY(!m_recorder->isRecording());
        QVERIFY(!m_registry->isPaused());
        QCOMPARE(active.size(), 2);
        QCOMPARE(m_registry->shortcut(m_name), kAltShiftS);
        QVERIFY(m_service->press(1, 2560) && m_service->release(1, 2560));
        QCOMPARE(m_toggles, 1);
    }

    void recordsAcceptedCombinations_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("symbols");
        QTest::newRow("Ctrl+K") << int(Qt::Key_K) << int(Qt::ControlModifier) << 40 << QString::fromUtf8("⌃K");
        QTest::newRow("Super+Shift+1") << int(Qt::Key_Exclam) << int(Qt::MetaModifier | Qt::ShiftModifier) << 18
                                       << QString::fromUtf8("⇧❖1");
        QTest::newRow("F5 alone") << int(Qt::Key_F5) << 0 << 96 << QStringLiteral("F5");
        QTest::newRow("Alt+keypad 3") << int(Qt::Key_3) << int(Qt::AltModifier | Qt::KeypadModifier) << 85
                                      << QString::fromUtf8("⌥3");
    }

    void recordsAcceptedCombinations()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QFETCH(QString, symbols);
        focusField();
        QTest::keyClick(m_recorder->field(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const Shortcut expected = Shortcut::fromKey(code, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_registry->shortcut(m_name), expected);
        QCOMPARE(m_preferences->value(m_name.settingsKey()).toString(), expected.toJsonString());
        QCOMPARE(m_changes, QList<std::optional<Shortcut>>{expected});
        QVERIFY(!m_recorder->isRecording());
        QCOMPARE(m_recorder->field()->text(), symbols);
        QVERIFY(m_service->isGrabbed(expected.carbonKeyCode, expected.carbonModifiers));
        QVERIFY(!m_service->isGrabbed(1, 2560));
    }

    void refusesCombinations_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("letter alone") << int(Qt::Key_S) << 0 << QStringLiteral("get in the way of typing");
        QTest::newRow("Shift only") << int(Qt::Key_A) << int(Qt::ShiftModifier) << QStringLiteral("Add Ctrl, Alt or Super");
        QTest::newRow("taken by desktop") << int(Qt::Key_T) << int(Qt::ControlModifier | Qt::AltModifier)
                                          << QStringLiteral("Ctrl+Alt+T can't be used as a global shortcut. The desktop or another application");
        QTest::newRow("unknown key") << int(Qt::Key_Launch0) << int(Qt::ControlModifier) << QStringLiteral("can't be part");
    }

    void refusesCombinations()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, messagePart);
        m_service->markTaken(17, Shortcut::kControl | Shortcut::kOption);  // Ctrl+Alt+T, a terminal launcher
        focusField();
        QTest::keyClick(m_recorder->field(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY2(m_recorder->message().contains(messagePart), qPrintable(m_recorder->message()));
        QVERIFY(m_recorder->isRecording());  // still waiting for a usable combination
        QVERIFY(m_changes.isEmpty());
        QCOMPARE(m_registry->shortcut(m_name), kAltShiftS);
    }

    void warnsAboutMenuItems()
    {
        QMenu menu(m_window.get());
        QAction* reveal = menu.addAction(QStringLiteral("&Reveal Today"));
        reveal->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
        focusField();
        QTest::keyClick(m_recorder->field(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(m_registry->shortcut(m_name), (Shortcut{15, Shortcut::kControl}));
        QVERIFY2(m_recorder->message().contains(QStringLiteral("\u201cReveal Today\u201d")),
                 qPrintable(m_recorder->message()));
    }

    void clearButtonStoresFalse()
    {
        QSignalSpy changed(m_registry.get(), &ShortcutRegistry::shortcutByNameDidChange);
        m_recorder->clearAction()->trigger();
        QCOMPARE(m_preferences->value(m_name.settingsKey()), QJsonValue(false));
        QCOMPARE(m_changes, QList<std::optional<Shortcut>>{std::nullopt});
        QCOMPARE(changed.size(), 1);
        QVERIFY(m_recorder->field()->text().isEmpty());
        QVERIFY(!m_recorder->clearAction()->isVisible());
        QCOMPARE(m_service->grabCount(), 0);
    }

    void warnsWhenTheDesktopHasNoGlobalShortcuts()
    {
        m_center->setService(nullptr);
        focusField();
        QTest::keyClick(m_recorder->field(), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(m_registry->shortcut(m_name), (Shortcut{40, Shortcut::kControl}));
        QVERIFY2(m_recorder->message().contains(QStringLiteral("momentra toggle")), qPrintable(m_recorder->message()));
    }

    void followsChangesMadeElsewhere()
    {
        m_registry->setShortcut(Shortcut{122, Shortcut::kControl}, m_name);
        QCOMPARE(m_recorder->field()->text(), QString::fromUtf8("⌃F1"));
    }

    void reportsFailedRegistrationAfterRecording()
    {
        focusField();
        // Free while probing, taken by the time recording ends and the grab is made.
        QTest::keyClick(m_recorder->field(), Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(m_recorder->message().isEmpty());
        m_service->markTaken(38, Shortcut::kControl | Shortcut::kOption);
        m_registry->setPaused(true);
        m_registry->setPaused(false);
        QVERIFY2(m_recorder->message().contains(QStringLiteral("Ctrl+Alt+J is taken")), qPrintable(m_recorder->message()));
    }
};

QTEST_MAIN(ShortcutRecorderTest)
#include "tst_ShortcutRecorder.moc"
