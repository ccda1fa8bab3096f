// The global shortcut where no key grab exists: the choice of mechanism, the
// combination in each desktop's own notation, the GlobalShortcuts portal and
// kglobalaccel through services with their real D-Bus signatures on a private
// bus, and GNOME's keyboard settings (a keyfile GSettings backend in the test
// home) and sway's line through the General tab.
#include "app/ToggleCaptureShortcut.h"
#include "core/shortcuts/VirtualKeyCodes.h"
#include "platform/linux/SessionProbe.h"
#include "platform/linux/shortcuts/GSettingsTool.h"
#include "platform/linux/shortcuts/GlobalShortcutBackend.h"
#include "platform/linux/shortcuts/GnomeCustomKeybinding.h"
#include "platform/linux/shortcuts/KGlobalAccelHotKeyService.h"
#include "platform/linux/shortcuts/PortalHotKeyService.h"
#include "platform/linux/shortcuts/ShortcutNotation.h"
#include "platform/linux/shortcuts/SwayBindingLine.h"
#include "support/PrivateBus.h"
#include "support/core/ShortcutStack.h"
#include "support/core/TestHome.h"
#include "ui/settings/DesktopShortcutOffer.h"
#include "ui/settings/GeneralSettingsTab.h"

#include <QtDBus>
#include <QtTest>
#include <QtWidgets>

using KeyboardShortcuts::Shortcut;
using M = GlobalShortcutMechanism;

Q_DECLARE_METATYPE(Shortcut)
Q_DECLARE_METATYPE(M)

namespace {

const Shortcut kAltShiftS{VirtualKeyCodes::kS, Shortcut::kAlt | Shortcut::kShift};
const Shortcut kCtrlAltG{5, Shortcut::kControl | Shortcut::kAlt};
const QString kMediaKeys = "org.gnome.settings-daemon.plugins.media-keys";
const QString kOurBinding = QString(kMediaKeys) + ".custom-keybinding:" + GnomeCustomKeybinding::kPath;
const QString kOtherBinding = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";

int qtKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    return QKeyCombination(modifiers, key).toCombined();
}

}  // namespace

class TestWaylandShortcuts : public QObject
{
    Q_OBJECT

    TestHome m_home;
    PrivateBus m_bus{PrivateBus::Kind::Session};
    int m_downs = 0;
    int m_ups = 0;

    QDBusConnection bus() { return QDBusConnection::connectToBus(m_bus.address(), "shortcuts"); }
    static QString mockTemplate(const char* name)
    {
        return QStringLiteral(MOMENTRA_SOURCE_DIR "/tests/support/dbusmock/%1.py").arg(name);
    }
    QVariant mockCall(const QString& service, const QString& path, const QString& method, const QVariantList& args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Mock", method);
        call.setArguments(args);
        const QDBusMessage reply = bus().call(call);
        // Signals sent before the reply have arrived with it: hand them on.
        QCoreApplication::processEvents();
        return reply.arguments().value(0);
    }
    QVariant portal(const QString& method, const QVariantList& args = {})
    {
        return mockCall("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", method, args);
    }
    QList<int> kdeKeys()
    {
        return qdbus_cast<QList<int>>(mockCall("org.kde.kglobalaccel", "/kglobalaccel", "Keys",
                                               {KGlobalAccelHotKeyService::kComponent, "toggleCapture"}));
    }
    void count(ShortcutStack& stack)
    {
        m_downs = m_ups = 0;
        stack.registry.onKeyDown(ToggleCaptureShortcut::name(), [this] { ++m_downs; });
        stack.registry.onKeyUp(ToggleCaptureShortcut::name(), [this] { ++m_ups; });
    }
    static QString gsettings(const QStringList& arguments)
    {
        QProcess process;
        process.start("gsettings", arguments);
        process.waitForFinished();
        return QString::fromUtf8(process.exitCode() == 0 ? process.readAllStandardOutput()
                                                         : "error: " + process.readAllStandardError())
            .trimmed();
    }
    static QString gsetting(const QString& schema, const QString& key) { return gsettings({"get", schema, key}); }
    std::unique_ptr<GeneralSettingsTab> generalTab(ShortcutStack& stack, M mechanism, DesktopKeyBinding* binding)
    {
        SettingsContext context{stack.preferences, m_home.log(), stack.registry, ToggleCaptureShortcut::name()};
        context.shortcutMechanism = mechanism;
        context.desktopKeyBinding = binding;
        auto tab = std::make_unique<GeneralSettingsTab>(context);
        tab->show();
        return tab;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_bus.start(), qPrintable(m_bus.error()));
        qputenv("GSETTINGS_BACKEND", "keyfile");  // under the test home's XDG_CONFIG_HOME
    }

    void choosesMechanism_data()
    {
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<bool>("x11");
        QTest::addColumn<QString>("desktops");
        QTest::addColumn<bool>("swaySocket");
        QTest::addColumn<bool>("portal");
        QTest::addColumn<bool>("kglobalaccel");
        QTest::addColumn<M>("mechanism");
        QTest::newRow("X11") << false << true << "KDE" << false << true << true << M::x11KeyGrab;
        QTest::newRow("portal first") << true << true << "KDE" << false << true << true << M::desktopPortal;
        QTest::newRow("Plasma without it") << true << false << "KDE" << false << false << true << M::kdeGlobalShortcuts;
        QTest::newRow("kglobalaccel off Plasma")
            << true << false << "sway" << true << false << true << M::swayConfiguration;
        QTest::newRow("GNOME without it")
            << true << true << "ubuntu:GNOME" << false << false << false << M::gnomeKeyboardSettings;
        QTest::newRow("sway by its socket") << true << false << "" << true << false << false << M::swayConfiguration;
        QTest::newRow("another compositor") << true << false << "Hyprland" << false << false << false << M::none;
        QTest::newRow("no session") << false << false << "" << false << false << false << M::none;
    }
    void choosesMechanism()
    {
        QFETCH(bool, wayland);
        QFETCH(bool, x11);
        QFETCH(QString, desktops);
        QFETCH(bool, swaySocket);
        QFETCH(bool, portal);
        QFETCH(bool, kglobalaccel);
        QFETCH(M, mechanism);
        const GlobalShortcutBackend::Facts facts{wayland,    x11,    desktops.split(':', Qt::SkipEmptyParts),
                                                 swaySocket, portal, kglobalaccel};
        QCOMPARE(GlobalShortcutBackend::choose(facts).mechanism, mechanism);
    }

    void notation_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("portal");
        QTest::addColumn<QString>("gtk");
        QTest::addColumn<QString>("sway");
        QTest::addColumn<int>("qt");
        QTest::newRow("letter") << kAltShiftS << "ALT+SHIFT+s"
                                << "<Alt><Shift>s"
                                << "Alt+Shift+s" << qtKey(Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier);
        QTest::newRow("function key") << Shortcut{96, Shortcut::kControl | Shortcut::kSuper} << "CTRL+LOGO+F5"
                                      << "<Control><Super>F5"
                                      << "Ctrl+Mod4+F5" << qtKey(Qt::Key_F5, Qt::ControlModifier | Qt::MetaModifier);
        QTest::newRow("keypad") << Shortcut{83, Shortcut::kControl} << "CTRL+KP_1"
                                << "<Control>KP_1"
                                << "Ctrl+KP_1" << qtKey(Qt::Key_1, Qt::KeypadModifier | Qt::ControlModifier);
        QTest::newRow("no such key") << Shortcut{200, Shortcut::kControl} << ""
                                     << ""
                                     << "" << -1;
    }
    void notation()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(QString, portal);
        QFETCH(QString, gtk);
        QFETCH(QString, sway);
        QFETCH(int, qt);
        QCOMPARE(ShortcutNotation::portalTrigger(shortcut), portal);
        QCOMPARE(ShortcutNotation::gtkAccelerator(shortcut), gtk);
        QCOMPARE(ShortcutNotation::swayCombination(shortcut), sway);
        QCOMPARE(ShortcutNotation::qtKeyCombination(shortcut).value_or(-1), qt);
    }

    void textForms_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("plain path") << "cmd:/usr/bin/momentra"
                                    << "/usr/bin/momentra toggle";
        QTest::newRow("path to quote") << "cmd:/home/jo's apps/momentra"
                                       << "'/home/jo'\\''s apps/momentra' toggle";
        QTest::newRow("empty list") << "list:@as []"
                                    << "";
        QTest::newRow("list") << "list:['/a/', \"/b'c/\", 'd\\'e']"
                              << "/a/|/b'c/|d'e";
        QTest::newRow("not a list") << "list:'/a/'"
                                    << "(none)";
        QTest::newRow("list written") << "write:/a/|it's"
                                      << "['/a/', 'it\\'s']";
    }
    void textForms()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        const QString kind = input.section(':', 0, 0);
        const QString text = input.section(':', 1);
        if (kind == "cmd")
            QCOMPARE(ShortcutNotation::toggleCommand(text), output);
        else if (kind == "write")
            QCOMPARE(GSettingsTool::quotedList(text.split('|')), output);
        else if (const auto list = GSettingsTool::parseList(text))
            QCOMPARE(list->join('|'), output);
        else
            QCOMPARE(QString("(none)"), output);
    }

    // The portal binds the shortcut by its name with the recorded combination as the wish, delivers
    // Activated and Deactivated as press and release, keeps the binding through a pause without asking
    // again, and is asked again for a new combination.
    void portalBindsByName()
    {
        QVERIFY2(m_bus.startMock(mockTemplate("global_shortcuts_portal"), "org.freedesktop.portal.Desktop"),
                 qPrintable(m_bus.error()));
        QVERIFY(PortalHotKeyService::isOffered(bus()));
        PortalHotKeyService service(bus(), m_home.log());
        ShortcutStack stack(m_home.path() + "/portal.json", m_home.log(), &service);
        QSignalSpy answered(&service, &PortalHotKeyService::bindingAnswered);
        count(stack);
        QVERIFY(answered.wait());
        QCOMPARE(qdbus_cast<QVariantMap>(portal("Bound")), (QVariantMap{{"toggleCapture", "ALT+SHIFT+s"}}));
        QCOMPARE(service.triggerDescription("toggleCapture"), "Press ALT+SHIFT+s");
        portal("Press", {"toggleCapture"});
        QTRY_COMPARE(m_ups, 1);
        QCOMPARE(m_downs, 1);

        stack.registry.setRecorderActive(true);
        portal("Press", {"toggleCapture"});
        QCOMPARE(m_ups, 1);
        stack.registry.setRecorderActive(false);
        portal("Press", {"toggleCapture"});
        QTRY_COMPARE(m_ups, 2);
        QCOMPARE(answered.count(), 1);

        stack.registry.setShortcut(kCtrlAltG, ToggleCaptureShortcut::name());
        QVERIFY(answered.wait());
        QCOMPARE(qdbus_cast<QVariantMap>(portal("Bound")), (QVariantMap{{"toggleCapture", "CTRL+ALT+g"}}));
    }

    // kglobalaccel gets the combination as the action's present key, reports presses and releases on the
    // component, holds the action inactive while recording, and refuses a key another action holds.
    void kglobalaccelSetsTheAction()
    {
        QVERIFY2(m_bus.startMock(mockTemplate("kglobalaccel"), "org.kde.kglobalaccel"), qPrintable(m_bus.error()));
        QVERIFY(SessionProbe(bus()).hasService(KGlobalAccelHotKeyService::kServiceName));
        KGlobalAccelHotKeyService service(bus(), m_home.log());
        ShortcutStack stack(m_home.path() + "/kde.json", m_home.log(), &service);
        count(stack);
        QCOMPARE(kdeKeys(), QList<int>{qtKey(Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier)});
        mockCall("org.kde.kglobalaccel", "/kglobalaccel", "Press",
                 {KGlobalAccelHotKeyService::kComponent, "toggleCapture"});
        QTRY_COMPARE(m_ups, 1);
        QCOMPARE(m_downs, 1);

        stack.registry.setRecorderActive(true);
        QCOMPARE(kdeKeys(), QList<int>());
        stack.registry.setRecorderActive(false);
        QCOMPARE(kdeKeys().size(), 1);

        mockCall("org.kde.kglobalaccel", "/kglobalaccel", "Take",
                 {qtKey(Qt::Key_G, Qt::ControlModifier | Qt::AltModifier)});
        QSignalSpy failed(&stack.registry, &ShortcutRegistry::registrationFailed);
        stack.registry.setShortcut(kCtrlAltG, ToggleCaptureShortcut::name());
        QCOMPARE(failed.count(), 1);
        QCOMPARE(stack.registry.shortcut(ToggleCaptureShortcut::name()), kCtrlAltG);  // kept, as with a taken grab
    }

    // GNOME: nothing is written until the button; then the binding follows the recorder (with or
    // without the tab), sits beside another program's shortcut, and goes when the recorder is cleared.
    void gnomeBindingThroughTheTab()
    {
        QVERIFY2(
            gsettings({"set", kMediaKeys, "custom-keybindings", GSettingsTool::quotedList({kOtherBinding})}).isEmpty(),
            "GNOME's media-keys schema is missing (Debian package gnome-settings-daemon-common)");
        GnomeCustomKeybinding binding("/opt/Momentra/momentra toggle");
        ShortcutStack stack(m_home.path() + "/gnome.json", m_home.log());
        binding.follow(stack.registry, ToggleCaptureShortcut::name());
        auto tab = generalTab(stack, M::gnomeKeyboardSettings, &binding);
        QCOMPARE(tab->shortcutMechanism()->text(), "Global shortcut: GNOME keyboard settings");
        auto* offer = tab->findChild<DesktopShortcutOffer*>();
        QVERIFY(offer);
        QTRY_VERIFY(offer->button()->isEnabled());
        QCOMPARE(offer->button()->text(), "Add to GNOME Shortcuts");
        stack.registry.setShortcut(kCtrlAltG, ToggleCaptureShortcut::name());
        QTRY_VERIFY(!binding.isBusy());
        QCOMPARE(gsetting(kOurBinding, "binding"), "''");

        QTest::mouseClick(offer->button(), Qt::LeftButton);
        QTRY_COMPARE(offer->button()->text(), "Remove from GNOME Shortcuts");
        QCOMPARE(gsetting(kMediaKeys, "custom-keybindings"),
                 GSettingsTool::quotedList({kOtherBinding, GnomeCustomKeybinding::kPath}));
        QCOMPARE(gsetting(kOurBinding, "command"), "'/opt/Momentra/momentra toggle'");
        QCOMPARE(gsetting(kOurBinding, "binding"), "'<Control><Alt>g'");

        tab.reset();
        stack.registry.setShortcut(kAltShiftS, ToggleCaptureShortcut::name());
        QTRY_COMPARE(gsetting(kOurBinding, "binding"), "'<Alt><Shift>s'");
        stack.registry.setShortcut(std::nullopt, ToggleCaptureShortcut::name());
        QTRY_COMPARE(gsetting(kMediaKeys, "custom-keybindings"), GSettingsTool::quotedList({kOtherBinding}));
        QTRY_COMPARE(gsetting(kOurBinding, "binding"), "''");
        tab = generalTab(stack, M::gnomeKeyboardSettings, &binding);
        QTRY_COMPARE(tab->findChild<DesktopShortcutOffer*>()->sentence()->text(),
                     "Record a shortcut to add it to GNOME's keyboard shortcuts.");
        QVERIFY(!tab->findChild<DesktopShortcutOffer*>()->button()->isEnabled());  // nothing to add without one
    }

    void swayLineThroughTheTab()
    {
        SwayBindingLine line("/usr/bin/momentra toggle");
        ShortcutStack stack(m_home.path() + "/sway.json", m_home.log());
        const auto tab = generalTab(stack, M::swayConfiguration, &line);
        QCOMPARE(tab->shortcutMechanism()->text(), "Global shortcut: sway configuration");
        auto* offer = tab->findChild<DesktopShortcutOffer*>();
        QCOMPARE(offer->line()->text(), "bindsym Alt+Shift+s exec /usr/bin/momentra toggle");
        QTest::mouseClick(offer->button(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), offer->line()->text());
        stack.registry.setShortcut(kCtrlAltG, ToggleCaptureShortcut::name());
        QCOMPARE(offer->line()->text(), "bindsym Ctrl+Alt+g exec /usr/bin/momentra toggle");
    }
};

QTEST_MAIN(TestWaylandShortcuts)
#include "tst_WaylandShortcuts.moc"
