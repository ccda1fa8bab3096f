#include "SettingsScreenshots.h"

#include "core/LoginItems.h"
#include "core/WindowPicker.h"
#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/LaunchAtLogin.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/shortcuts/VirtualKeyCodes.h"
#include "ui/settings/SettingsWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Pictures show Momentra as a user set it up; nothing here reaches the desktop.
class StartsAtLogin : public LoginItems
{
public:
    Status status() const override { return Status::Enabled; }
    Result<void> registerItem() override { return Result<void>::success(); }
    Result<void> unregisterItem() override { return Result<void>::success(); }
};

class NoPick : public WindowPicker
{
public:
    void pick(std::function<void(const Result<QString>&)> done) override { done(QString()); }
};

void writeApplication(const QString& folder, const QString& id, const QString& name, const QString& icon)
{
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + id + QStringLiteral(".desktop"));
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nIcon=%2\n").arg(name, icon).toUtf8());
}

}  // namespace

bool renderSettingsScreenshots(const QString& folder)
{
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    writeApplication(data + QStringLiteral("/applications"), QStringLiteral("org.keepassxc.KeePassXC"),
                     QStringLiteral("KeePassXC"), QStringLiteral("dialog-password"));
    writeApplication(data + QStringLiteral("/applications"), QStringLiteral("org.mozilla.Thunderbird"),
                     QStringLiteral("Thunderbird"), QStringLiteral("mail-send"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));

    EventLog log(home.filePath(QStringLiteral("log")));
    DefaultsStore store(home.filePath(QStringLiteral("defaults.json")), log);
    Preferences preferences(store);
    HotKeyCenter hotKeys;
    ShortcutRegistry shortcuts(preferences, hotKeys, log);
    StartsAtLogin loginItems;
    LaunchAtLogin launchAtLogin(loginItems, log);
    NoPick picker;
    const KeyboardShortcuts::Name toggle(
        QStringLiteral("toggleCapture"),
        KeyboardShortcuts::Shortcut{VirtualKeyCodes::kS, KeyboardShortcuts::Shortcut::kAlt
                                                             | KeyboardShortcuts::Shortcut::kShift});
    shortcuts.declare(toggle);
    preferences.setIntervalSeconds(300);
    preferences.setJpegQuality(0.8);
    preferences.setPausesWhenLocked(true);
    preferences.setPauseWhenIdle(true);
    preferences.setIdleThresholdSeconds(300);
    preferences.setExcludedAppIds({QStringLiteral("org.keepassxc.KeePassXC"),
                                   QStringLiteral("org.mozilla.Thunderbird"), QStringLiteral("com.example.Bank")});
    preferences.setHidesNotifications(true);

    SettingsContext context{preferences, log, shortcuts, toggle};
    context.launchAtLogin = &launchAtLogin;
    context.windowPicker = &picker;
    context.displays = [] {
        return QList<ChosenDisplay>{{QStringLiteral("edid-1"), QStringLiteral("Built-in Display")},
                                    {QStringLiteral("edid-2"), QStringLiteral("DELL U2720Q")}};
    };
    // Without a desktop there is no icon theme: show the one GNOME ships.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QTextStream err(stderr);
    bool saved = true;
    for (const char* tab : {"general", "capture", "privacy"}) {
        SettingsWindow window(context);
        window.showTab(QLatin1String(tab));
        window.show();
        QApplication::processEvents();
        const QString path = QDir(folder).filePath(QStringLiteral("settings-%1.png").arg(QLatin1String(tab)));
        const bool ok = window.grab().save(path);
        err << (ok ? "wrote " : "could not write ") << path << '\n';
        saved &= ok;
    }
    return saved;
}
