#include "SettingsScreenshots.h"

#include "core/LoginItems.h"
#include "core/WindowPicker.h"
#include "core/cleanup/CleanupController.h"
#include "core/library/LibraryLayout.h"
#include "core/log/EventLog.h"
#include "core/settings/DefaultsStore.h"
#include "core/settings/LaunchAtLogin.h"
#include "core/settings/Preferences.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/shortcuts/VirtualKeyCodes.h"
#include "core/textsearch/TextRecognizer.h"
#include "core/textsearch/TextSearchController.h"
#include "core/timelapse/TimelapseExportController.h"
#include "media/TimelapseExporterFactory.h"
#include "media/image/MediaImageCodec.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/shortcuts/SwayBindingLine.h"
#include "ui/settings/SettingsWindow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
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

// The languages a typical install offers; pictures never read any text.
class OfferedLanguages : public TextRecognizer
{
public:
    TextReadResult recognize(const Bitmap&, const TextSearchSettings&, QDeadlineTimer) override
    {
        return TextReadResult::read(QString());
    }
    QStringList supportedLanguages(TextRecognitionLevel) override
    {
        return {QStringLiteral("eng"), QStringLiteral("deu"), QStringLiteral("fra"), QStringLiteral("chi_sim")};
    }
};

// A library of three days: today, yesterday and the day before.
QString writeLibrary(const QString& folder)
{
    const QDateTime now = QDateTime::currentDateTime();
    QImage image(64, 40, QImage::Format_RGB32);
    image.fill(QColor(70, 110, 160));
    for (const auto& [days, count] : {std::pair{0, 24}, std::pair{1, 96}, std::pair{2, 61}}) {
        const QDateTime day = now.addDays(-days);
        const QString dayFolder = folder + QLatin1Char('/') + LibraryLayout::dayFolderName(day);
        QDir().mkpath(dayFolder);
        for (int i = 0; i < count; ++i)
            image.save(dayFolder + QLatin1Char('/')
                       + LibraryLayout::screenshotFileName(day.addSecs(-300 * i), 1, ScreenshotFormat::Jpeg));
    }
    return folder;
}

// Lets the window's background work (sizes, counts, day lists) land, for at most two seconds.
void settle(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(2000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QApplication::processEvents();
}

bool hasPendingText(const QWidget& window)
{
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->isVisible()
            && (label->text().endsWith(QStringLiteral(": …")) || label->text() == QStringLiteral("Counting…")))
            return true;
    }
    return false;
}

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
    preferences.setFolderPath(writeLibrary(home.filePath(QStringLiteral("Pictures/Momentra"))));
    preferences.setDeletionPolicy(DeletionPolicy::OneWeek);
    preferences.setFreeSpaceLimitGB(5);
    preferences.setSearchesText(true);
    preferences.setTextRecognitionLanguage(QStringLiteral("eng"));

    MediaImageCodec codec;
    OfferedLanguages recognizer;
    TextSearchController textSearch({&codec, &recognizer, 1}, log);
    TimelapseExportController timelapse(TimelapseExporterFactory::create(), log);
    CleanupController cleanup(std::make_shared<FreedesktopTrash>(), log);
    cleanup.configureCleanup(preferences.folderPath(), preferences.deletionPolicy(), false);
    settle([&cleanup] { return cleanup.lastCleanup().has_value(); });

    SettingsContext context{preferences, log, shortcuts, toggle};
    context.shortcutMechanism = GlobalShortcutMechanism::x11KeyGrab;
    context.launchAtLogin = &launchAtLogin;
    context.windowPicker = &picker;
    context.cleanup = &cleanup;
    context.textSearch = &textSearch;
    context.timelapse = &timelapse;
    context.displays = [] {
        return QList<ChosenDisplay>{{QStringLiteral("edid-1"), QStringLiteral("Built-in Display")},
                                    {QStringLiteral("edid-2"), QStringLiteral("DELL U2720Q")}};
    };
    // Without a desktop there is no icon theme: show the one GNOME ships.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QTextStream err(stderr);
    bool saved = true;
    for (const char* tab : {"general", "capture", "ocr", "privacy", "storage", "timelapse"}) {
        SettingsWindow window(context);
        window.showTab(QLatin1String(tab));
        window.show();
        settle([&window] { return !hasPendingText(window); });
        const QString path = QDir(folder).filePath(QStringLiteral("settings-%1.png").arg(QLatin1String(tab)));
        const bool ok = window.grab().save(path);
        err << (ok ? "wrote " : "could not write ") << path << '\n';
        saved &= ok;
    }
    // On sway the tab shows the line for sway's configuration.
    SwayBindingLine sway(QStringLiteral("/usr/bin/momentra toggle"));
    context.shortcutMechanism = GlobalShortcutMechanism::swayConfiguration;
    context.desktopKeyBinding = &sway;
    SettingsWindow window(context);
    window.showTab(QStringLiteral("general"));
    window.show();
    settle([&window] { return !hasPendingText(window); });
    const QString path = QDir(folder).filePath(QStringLiteral("settings-general-sway.png"));
    const bool ok = window.grab().save(path);
    err << (ok ? "wrote " : "could not write ") << path << '\n';
    return saved && ok;
}
