#include "app/CaptureService.h"
#include "core/Notifier.h"
#include "core/WindowPicker.h"
#include "core/capture/ScreenCapturePermission.h"
#include "core/textsearch/TextSearchController.h"
#include "momentra/BuildInfo.h"
#if MOMENTRA_SELF_UPDATE
#include "core/updates/UpdateSettings.h"
#endif
#include "support/core/CaptureEngineFakes.h"
#include "support/core/CleanupFakeTrash.h"
#include "support/core/ScriptedRecognizer.h"
#include "support/core/ShortcutStack.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"
#include "ui/settings/AppChooserDialog.h"
#include "ui/settings/CaptureSettingsTab.h"
#include "ui/settings/PrivacySettingsTab.h"
#include "ui/settings/SettingsBinder.h"
#include "ui/settings/SettingsWindow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonValue>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

class AnsweringPicker : public WindowPicker
{
public:
    void pick(std::function<void(const Result<QString>&)> done) override { done(answer); }
    QString answer;
};

class SilentNotifier : public Notifier
{
public:
    void notify(const QString&, const QString&) override {}
};

class Granted : public ScreenCapturePermission
{
public:
    bool isGranted() override { return true; }
    void request() override {}
};

namespace {

// What a control shows, as the property a user sees.
QVariant shown(QWidget* control)
{
    for (const char* property : {"checked", "currentData", "value", "text"}) {
        if (control->metaObject()->indexOfProperty(property) >= 0
            && (qstrcmp(property, "checked") != 0 || qobject_cast<QCheckBox*>(control)))
            return control->property(property);
    }
    return {};
}

// Whether a screen reader names the control by the text it shows beside
// it: the accessible name, or (for combo boxes on Linux, whose name is the
// current choice) the label it is labelled by.
bool namedByItsLabel(QWidget* control)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return !button->text().isEmpty() && accessible->text(QAccessible::Name) == button->text().remove('&');
    for (QLabel* label : control->window()->findChildren<QLabel*>()) {
        if (!label->buddy() || (label->buddy() != control && label->buddy()->focusProxy() != control))
            continue;
        if (accessible->text(QAccessible::Name) + ':' == label->text())
            return true;
        for (const auto& [other, relation] : accessible->relations(QAccessible::Label)) {
            if (other->object() == label)
                return true;
        }
    }
    return false;
}

}  // namespace

// The settings window driven by keyboard and mouse over a real settings file.
class SettingsWindowTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    ShortcutStack m_stack{m_home.settingsFile(), m_home.log()};
    Preferences& m_preferences = m_stack.preferences;
    QList<ChosenDisplay> m_displays;
    AnsweringPicker m_picker;
    TestCodec m_codec;
    ScriptedRecognizer m_recognizer;  // offers English
    TextSearchController m_textSearch{{&m_codec, &m_recognizer, 1}, m_home.log()};
    std::unique_ptr<SettingsWindow> m_window;
    QString m_frontAppUnavailable;
#if MOMENTRA_SELF_UPDATE
    UpdateSettings m_updates{m_home.configHome() + "/Momentra/updates.json", m_home.log()};
#endif

    SettingsContext context()
    {
        SettingsContext context{m_preferences, m_home.log(), m_stack.registry};
        context.displays = [this] { return m_displays; };
        context.windowPicker = &m_picker;
        context.frontAppUnavailable = m_frontAppUnavailable;
        context.textSearch = &m_textSearch;
#if MOMENTRA_SELF_UPDATE
        context.updateSettings = &m_updates;
#endif
        return context;
    }
    template <typename Tab>
    Tab* open(const char* name)
    {
        m_window = std::make_unique<SettingsWindow>(context());
        m_window->show();
        m_window->showTab(name);
        return qobject_cast<Tab*>(m_window->tab(name));
    }
    void writeApp(const QString& folder, const QString& id, const QString& extra = {})
    {
        QDir().mkpath(folder);
        QFile file(folder + '/' + id + ".desktop");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("[Desktop Entry]\nType=Application\nName=" + id.section('.', -1) + "\n" + extra).toUtf8());
    }

private Q_SLOTS:
    void cleanup()
    {
        m_window.reset();
        for (const QString& key : m_stack.store.all().keys())
            m_stack.store.remove(key);
    }

    void customInterval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stored");  // 0: nothing stored
        QTest::newRow("below the minimum") << "3" << 5;
        QTest::newRow("above the maximum") << "100000" << 86400;
        QTest::newRow("spaces around") << " 42 " << 42;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("zero") << "0" << 0;
    }
    void customInterval()
    {
        QFETCH(QString, text);
        QFETCH(int, stored);
        auto* tab = open<CaptureSettingsTab>("capture");
        QComboBox* interval = tab->interval();
        interval->setFocus();
        QTest::keyClick(interval, Qt::Key_End);  // "Custom"
        QVERIFY(m_preferences.usesCustomInterval());
        QVERIFY(tab->customInterval()->isVisible());
        tab->customInterval()->clear();
        QTest::keyClicks(tab->customInterval(), text);
        QTest::keyClick(tab->customInterval(), Qt::Key_Return);
        const int expected = stored ? stored : 60;
        QCOMPARE(m_preferences.value("Momentra.customIntervalSeconds").isUndefined(), stored == 0);
        QCOMPARE(m_preferences.customIntervalSeconds(), expected);
        QCOMPARE(m_preferences.intervalSeconds(), expected);
        QCOMPARE(tab->customInterval()->text(), QString::number(expected));
    }

    void unpluggedDisplay_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::newRow("connected") << true;
        QTest::newRow("unplugged") << false;
    }
    void unpluggedDisplay()
    {
        QFETCH(bool, connected);
        m_displays = {{"id-1", "Built-in Display"}};
        if (connected)
            m_displays.append(ChosenDisplay{"id-2", "DELL U2720Q"});
        m_preferences.setChosenDisplay(ChosenDisplay{"id-2", "DELL U2720Q"});
        auto* tab = open<CaptureSettingsTab>("capture");
        QCOMPARE(tab->displays()->currentText(), connected ? "DELL U2720Q" : "DELL U2720Q (not connected)");
        QCOMPARE(tab->displayNote()->isVisible(), !connected);
        QCOMPARE(tab->displayNote()->text(), connected ? "" : "DELL U2720Q isn't connected, so nothing is captured.");
        QTest::keyClick(tab->displays(), Qt::Key_Home);  // "All displays"
        QVERIFY(!m_preferences.chosenDisplay());
        QVERIFY(!tab->displayNote()->isVisible());
    }

    void excludedAppAddedOnce_data()
    {
        QTest::addColumn<bool>("byWindow");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("chooser, one listed") << false << "" << QStringList{"Editor", "gone.App", "Viewer"};
        QTest::newRow("window, listed") << true << "org.example.Editor" << QStringList{"Editor", "gone.App"};
        QTest::newRow("window, new") << true << "org.example.Viewer" << QStringList{"Editor", "gone.App", "Viewer"};
    }
    void excludedAppAddedOnce()
    {
        QFETCH(bool, byWindow);
        QFETCH(QString, added);
        QFETCH(QStringList, listed);
        const QString system = m_home.path() + "/system";
        qputenv("XDG_DATA_DIRS", QFile::encodeName(system));
        writeApp(m_home.dataHome() + "/applications", "org.example.Editor");
        writeApp(system + "/applications", "org.example.Viewer");
        writeApp(system + "/applications", "org.example.Helper", "NoDisplay=true\n");
        m_preferences.setExcludedAppIds({"org.example.Editor", "gone.App"});
        auto* tab = open<PrivacySettingsTab>("privacy");
        if (byWindow) {
            m_picker.answer = added;
            QTest::mouseClick(tab->pickButton(), Qt::LeftButton);
        } else {
            QTest::mouseClick(tab->addButton(), Qt::LeftButton);
            QTRY_VERIFY(tab->chooser() && tab->chooser()->isVisible());
            QCOMPARE(tab->chooser()->list()->count(), 2);  // the NoDisplay entry left out
            tab->chooser()->list()->selectAll();           // Editor, already excluded, and Viewer
            QTest::keyClick(tab->chooser(), Qt::Key_Return);
        }
        QStringList shown;
        for (int i = 0; i < tab->excludedApps()->count(); ++i)
            shown << tab->excludedApps()->item(i)->text();
        QCOMPARE(shown, listed);
        QCOMPARE(m_preferences.excludedAppIds().size(), listed.size());
    }

    // Only where the desktop cannot tell the active app does the tab say so.
    void privacyTabSaysWhenTheActiveAppIsUnknown()
    {
        m_frontAppUnavailable = "this desktop tells no app which app is active";
        const auto* said = open<PrivacySettingsTab>("privacy")->findChild<QLabel*>("frontAppUnavailable");
        m_frontAppUnavailable.clear();
        QVERIFY(said && said->isVisible() && said->text().contains("tells no app which app is active."));
        QVERIFY(!open<PrivacySettingsTab>("privacy")->findChild<QLabel*>("frontAppUnavailable"));
    }

    // Every bound control of every tab: a user's edit is stored as a value
    // its key's reader takes, and a window opened afresh shows it.
    void boundControlsRoundTrip()
    {
        for (const SettingsWindow::Tab& entry : SettingsWindow::tabs()) {
            m_window = std::make_unique<SettingsWindow>(context());
            auto* binder = m_window->tab(entry.name)->findChild<SettingsBinder*>();
            if (!binder)
                continue;
            QHash<QString, QVariant> edited;
            for (QWidget* control : binder->controls()) {
                const QString key = control->objectName();
                const QJsonValue before = m_preferences.effectiveValue(key);
                QTest::keyClick(control, qobject_cast<QCheckBox*>(control) ? Qt::Key_Space : Qt::Key_End);
                if (m_preferences.effectiveValue(key) == before)
                    QTest::keyClick(control, Qt::Key_Home);
                QVERIFY2(m_preferences.effectiveValue(key) != before, qPrintable(key));
                QVERIFY2(m_preferences.value(key) == m_preferences.effectiveValue(key), qPrintable(key));
                edited.insert(key, shown(control));
            }
            m_window = std::make_unique<SettingsWindow>(context());
            for (QWidget* control : m_window->tab(entry.name)->findChild<SettingsBinder*>()->controls())
                QCOMPARE(shown(control), edited.value(control->objectName()));
        }
    }

    // Every control a keyboard reaches is named after its label; Ctrl+Tab
    // walks through the tabs, starting at the first.
    void accessibleNamesAndTabs()
    {
        m_window = std::make_unique<SettingsWindow>(context());
        m_window->show();
        QTabWidget* tabs = m_window->tabWidget();
        for (int i = 0; i < tabs->count(); ++i) {
            QCOMPARE(tabs->currentIndex(), i);
            int named = 0;
            for (QWidget* control : tabs->currentWidget()->findChildren<QWidget*>()) {
                if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisible())
                    continue;
                ++named;
                QVERIFY2(namedByItsLabel(control), qPrintable(control->accessibleName()));
            }
            QVERIFY(named > 0);
            QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
        }
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void runningEngineFollowsTheInterval()
    {
        auto source = std::make_unique<FakeScreenSource>();
        source->setDisplays({FakeScreenSource::display(1, 64, 48)});
        TestCodec codec;
        SilentNotifier notifier;
        Granted permission;
        m_preferences.setFolderPath(m_home.picturesFolder());
        CaptureService service({std::move(source), std::make_unique<FakeSessionState>(), codec, nullptr, notifier,
                                std::make_shared<CleanupFakeTrash>(m_home.path() + "/trash"), permission},
                               m_preferences, m_home.log());
        service.start();
        QVERIFY(service.engine().nextCaptureAt());
        auto* tab = open<CaptureSettingsTab>("capture");
        QTest::keyClick(tab->interval(), Qt::Key_Down);  // 1 minute → 5 minutes
        const qint64 wait = QDateTime::currentDateTime().secsTo(*service.engine().nextCaptureAt());
        QVERIFY2(wait > 240 && wait <= 300, qPrintable(QString::number(wait)));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "tst_SettingsWindow.moc"
