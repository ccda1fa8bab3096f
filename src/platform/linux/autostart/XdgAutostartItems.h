#pragma once

#include "core/LoginItems.h"

#include <QString>

class DesktopEntry;

// Launch at login through an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/app.momentra.Momentra.desktop, that starts the
// executable running now by its absolute path. Momentra starts at login
// exactly when that entry exists, is not Hidden=true (how desktops switch an
// entry off) and starts a Momentra executable that exists. An entry of the
// same name that starts another program is left alone, never overwritten.
class XdgAutostartItems : public LoginItems
{
public:
    XdgAutostartItems();  // the standard entry, the running executable
    XdgAutostartItems(QString entryPath, QString executable);

    static QString standardEntryPath();

    Status status() const override;
    Result<void> registerItem() override;
    Result<void> unregisterItem() override;

    // Whether `path` will not be there to start at the next login: missing,
    // deleted while running, or inside a temporary folder.
    static bool isGoneAtLogin(const QString& path);

    static constexpr int kDelaySeconds = 5;  // lets the tray host start first

private:
    enum class Entry {
        None,
        Ours,
        OursHidden,
        OursMissing,  // ours, but its executable is gone
        Foreign,
    };
    Entry readEntry(QString* program) const;
    bool isOurs(const QString& program) const;
    QByteArray contents() const;

    const QString m_entryPath;
    const QString m_executable;
};
