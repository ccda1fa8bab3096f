#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

// Finds the desktop-file id of the application that owns a window, trying in
// order: the GTK application id, KDE's desktop-file hint, an installed
// .desktop file whose StartupWMClass matches the window class, the Flatpak
// sandbox or systemd scope the process runs in, and finally the window class.
class AppIdResolver
{
public:
    struct WindowFacts
    {
        QByteArray gtkApplicationId;  // _GTK_APPLICATION_ID
        QByteArray kdeDesktopFile;    // _KDE_NET_WM_DESKTOP_FILE
        QByteArray wmClass;           // WM_CLASS: instance NUL class NUL
        quint32 pid = 0;              // _NET_WM_PID, 0 when unknown
    };

    QString resolve(const WindowFacts& facts);
    // An app id as a Wayland compositor or a desktop shell names it: the
    // desktop-file id it names (".desktop" and any folder stripped) when such a
    // file is installed, else the id of the installed file whose StartupWMClass
    // matches it, else the id itself.
    QString fromAppId(const QString& appId);

    // "app-gnome-org.gnome.Terminal-4242.scope" → "org.gnome.Terminal"; empty when
    // the process runs in no application unit.
    static QString fromCgroup(const QByteArray& cgroupText);
    // The [Application] name of a Flatpak sandbox's .flatpak-info.
    static QString fromFlatpakInfo(const QByteArray& text);
    // "/usr/share/applications/org.kde.dolphin.desktop" or "org.kde.dolphin" → "org.kde.dolphin".
    static QString desktopIdFromHint(const QByteArray& hint);
    // The class part of WM_CLASS.
    static QString windowClass(const QByteArray& wmClass);

private:
    QString fromStartupWmClass(const QByteArray& wmClass);
    QString fromProcess(quint32 pid);
    void refreshDesktopIndex();
    static QString unescapeUnitName(const QString& text);

    QMutex m_lock;
    QHash<QString, QString> m_idsByWmClass;  // lower-case StartupWMClass → desktop-file id
    QStringList m_indexedFolders;
    QList<QDateTime> m_indexedTimes;
};
