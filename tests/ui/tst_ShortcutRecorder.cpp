#include "app/ToggleCaptureShortcut.h"
#include "support/core/ShortcutStack.h"
#include "support/core/TestHome.h"
#include "ui/ShortcutRecorder.h"

#include <QtTest>
#include <QtWidgets>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

static const Shortcut kAltShiftS{1, Shortcut::kAlt | Shortcut::kShift};

class ShortcutRecorderTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    int m_file = 0;
    const Name m_name = ToggleCaptureShortcut::name();
    std::unique_ptr<ShortcutStack> m_stack;
    std::unique_ptr<QWidget> m_window;
    ShortcutRecorder* m_recorder = nullptr;
    QList<std::optional<Shortcut>> m_changes;
    int m_toggles = 0;

    void record(int key, int modifiers)
    {
        m_recorder->field()->setFocus(Qt::MouseFocusReason);
        QVERIFY(m_recorder->isRecording());
        QTest::keyClick(m_recorder->field(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }

private Q_SLOTS:
    void init()
    {
        m_stack = std::make_unique<ShortcutStack>(m_home.path() + QStringLiteral("/d%1.json").arg(++m_file),
                                                  m_home.log());
        m_toggles = 0;
        QVERIFY(ToggleCaptureShortcut::install([this] { ++m_toggles; }, m_stack->registry, Result<void>::success()));
        m_window = std::make_unique<QWidget>();
        auto* other = new QLineEdit(m_window.get());
        other->move(0, 80);
        m_changes.clear();
        m_recorder = new ShortcutRecorder(
            m_name, m_stack->registry, [this](const std::optional<Shortcut>& s) { m_changes << s; }, m_window.get());
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        other->setFocus();
    }
    void cleanup()
    {
        m_window.reset();
        m_stack.reset();
    }

    // The application's shortcut, stored on first start, toggles capture on release, not on press;
    // recording pauses it until Escape.
    void recordingPausesShortcutsUntilEscape()
    {
        QCOMPARE(m_stack->preferences.value("KeyboardShortcuts_toggleCapture").toString(), kAltShiftS.toJsonString());
        m_recorder->field()->setFocus(Qt::MouseFocusReason);
        QCOMPARE(m_stack->fake.grabCount(), 0);
        QTest::keyClick(m_recorder->field(), Qt::Key_Escape);
        QVERIFY(!m_recorder->isRecording());
        QCOMPARE(m_recorder->field()->text(), "Alt+Shift+S");
        m_stack->fake.press(1, 2560);
        QCOMPARE(m_toggles, 0);
        QVERIFY(m_stack->fake.release(1, 2560));
        QCOMPARE(m_toggles, 1);

        m_recorder->clearAction()->trigger();  // cleared: stored as false, nothing grabbed
        QCOMPARE(m_stack->preferences.value(m_name.settingsKey()), QJsonValue(false));
        QCOMPARE(m_changes, QList<std::optional<Shortcut>>{std::nullopt});
        QVERIFY(m_recorder->field()->text().isEmpty());
        QCOMPARE(m_stack->fake.grabCount(), 0);
    }

    // A refused combination keeps recording and names the reason.
    void recording_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");      // 0: refused
        QTest::addColumn<QString>("text");  // the shortcut shown, or part of the message
        QTest::newRow("Ctrl+K") << int(Qt::Key_K) << int(Qt::ControlModifier) << 40 << QStringLiteral("Ctrl+K");
        QTest::newRow("Super+Shift+1") << int(Qt::Key_Exclam) << int(Qt::MetaModifier | Qt::ShiftModifier) << 18
                                       << QStringLiteral("Shift+Super+1");
        QTest::newRow("F5 alone") << int(Qt::Key_F5) << 0 << 96 << QStringLiteral("F5");
        QTest::newRow("letter alone") << int(Qt::Key_S) << 0 << 0 << QStringLiteral("get in the way of typing");
        QTest::newRow("Shift only") << int(Qt::Key_A) << int(Qt::ShiftModifier) << 0
                                    << QStringLiteral("Add Ctrl, Alt or Super");
        QTest::newRow("taken by desktop")
            << int(Qt::Key_T) << int(Qt::ControlModifier | Qt::AltModifier) << 0
            << QStringLiteral("Ctrl+Alt+T can't be used as a global shortcut. The desktop or another application");
    }
    void recording()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QFETCH(QString, text);
        m_stack->fake.markTaken(17, Shortcut::kControl | Shortcut::kAlt);  // Ctrl+Alt+T, a terminal launcher
        record(key, modifiers);
        QCOMPARE(m_recorder->isRecording(), code == 0);
        if (code == 0) {
            QVERIFY2(m_recorder->message().contains(text), qPrintable(m_recorder->message()));
            QVERIFY(m_changes.isEmpty());
            QCOMPARE(m_stack->registry.shortcut(m_name), kAltShiftS);
            return;
        }
        const Shortcut expected = Shortcut::fromKey(code, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_stack->preferences.value(m_name.settingsKey()).toString(), expected.toJsonString());
        QCOMPARE(m_changes, QList<std::optional<Shortcut>>{expected});
        QCOMPARE(m_recorder->field()->text(), text);
        QVERIFY(m_stack->fake.isGrabbed(expected.keyCode, expected.modifiers));  // recording has ended
    }

    // Accepted, with a warning: a menu item uses the keys, or the desktop has no global shortcuts.
    void warnings()
    {
        QMenu menu(m_window.get());
        menu.addAction(QStringLiteral("&Reveal Today"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
        record(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(m_stack->registry.shortcut(m_name), (Shortcut{15, Shortcut::kControl}));
        QVERIFY2(m_recorder->message().contains(QStringLiteral("\u201cReveal Today\u201d")),
                 qPrintable(m_recorder->message()));
        m_stack->center.setService(nullptr);
        record(Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(m_stack->registry.shortcut(m_name), (Shortcut{40, Shortcut::kControl}));
        QVERIFY2(m_recorder->message().contains(QStringLiteral("momentra toggle")), qPrintable(m_recorder->message()));

        // Accepted, then refused by the desktop when registered again: said after the fact.
        m_stack->center.setService(&m_stack->fake);
        record(Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);  // free while probing
        QVERIFY(m_recorder->message().isEmpty());
        m_stack->fake.markTaken(38, Shortcut::kControl | Shortcut::kAlt);
        m_stack->registry.setPaused(true);
        m_stack->registry.setPaused(false);
        QVERIFY2(m_recorder->message().contains(QStringLiteral("Ctrl+Alt+J is taken")),
                 qPrintable(m_recorder->message()));
    }
};

QTEST_MAIN(ShortcutRecorderTest)
#include "tst_ShortcutRecorder.moc"
