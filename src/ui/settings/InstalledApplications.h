#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The applications installed for this user: desktop entries in the
// applications folders of $XDG_DATA_HOME and $XDG_DATA_DIRS. An entry's id
// is its path below such a folder with "/" as "-" and without ".desktop";
// the first folder that has an id wins, as for the desktop's launchers.
class InstalledApplications
{
public:
    struct Application
    {
        QString id;    // "org.gnome.Terminal"
        QString name;  // in the user's language when the entry has it
        QString icon;  // theme icon name or absolute path; may be empty
        bool noDisplay = false;
    };

    static QStringList folders();
    // Those a launcher shows (NoDisplay left out), by name.
    static QList<Application> listed();
    // Any installed entry with this id, shown or not.
    static std::optional<Application> find(const QString& id);
    // The icon an entry names: a theme icon, or a file by absolute path.
    static QIcon icon(const QString& name);

private:
    static QList<Application> all();
    static std::optional<Application> read(const QString& path, const QString& id);
};
