#pragma once

#include "platform/linux/FrontmostAppSource.h"
#include "platform/linux/x11/AppIdResolver.h"

#include <QDBusConnection>
#include <QObject>

class EventLog;

// The app in front on KDE Plasma: our KWin script (data/kwin), loaded over
// KWin's scripting interface (org.kde.kwin.Scripting loadScript, start),
// calls SetActiveWindow on this object under Momentra's own session-bus
// name with the active window's desktop-file name whenever it changes. The
// script is loaded on the first question once this process owns that name
// (the running instance does), and unloaded when this object goes.
class KWinActiveWindow : public QObject, public FrontmostAppSource
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.momentra.Momentra.ActiveWindow")

public:
    KWinActiveWindow(QDBusConnection sessionBus, QString scriptPath, EventLog& log, QObject* parent = nullptr);
    ~KWinActiveWindow() override;

    std::optional<QString> frontmostAppId() override;

    // The installed script: share/momentra/kwin beside the executable's
    // folder, else in the XDG data folders; empty when there is none.
    static QString installedScript();

    static constexpr const char* kServiceName = "app.momentra.Momentra";
    static constexpr const char* kObjectPath = "/app/momentra/Momentra/ActiveWindow";
    static constexpr const char* kPluginName = "momentra-active-window";

public Q_SLOTS:
    Q_SCRIPTABLE void SetActiveWindow(const QString& desktopFileName);

private:
    enum class Script { NotLoaded, Loaded, Failed };

    void loadScript();
    bool ownsServiceName();

    QDBusConnection m_bus;
    QString m_scriptPath;
    EventLog& m_log;
    Script m_script = Script::NotLoaded;
    std::optional<QString> m_active;
    AppIdResolver m_resolver;
};
