#include "ui/settings/InstalledApplications.h"

#include "ui/settings/SettingsForm.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>

QStringList InstalledApplications::folders()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList list{home + QStringLiteral("/applications")};
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        list << dir + QStringLiteral("/applications");
    list.removeDuplicates();
    return list;
}

QList<InstalledApplications::Application> InstalledApplications::all()
{
    QList<Application> applications;
    QSet<QString> seen;
    for (const QString& folder : folders()) {
        const QDir base(folder);
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = base.relativeFilePath(path);
            id.chop(int(qstrlen(".desktop")));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);  // a hidden or broken entry still hides the ones behind it
            if (const auto application = read(path, id))
                applications.append(*application);
        }
    }
    return applications;
}

QList<InstalledApplications::Application> InstalledApplications::listed()
{
    QList<Application> applications = all();
    applications.removeIf([](const Application& application) { return application.noDisplay; });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(applications.begin(), applications.end(),
              [&collator](const Application& a, const Application& b) { return collator.compare(a.name, b.name) < 0; });
    return applications;
}

std::optional<InstalledApplications::Application> InstalledApplications::find(const QString& id)
{
    for (const Application& application : all()) {
        if (application.id == id)
            return application;
    }
    return std::nullopt;
}

// The [Desktop Entry] group of one file; nothing for an entry that is no
// application, is hidden (deleted for this user) or has no name.
std::optional<InstalledApplications::Application> InstalledApplications::read(const QString& path, const QString& id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QString locale = QLocale().name();  // "de_DE"
    const QString language = locale.section(QLatin1Char('_'), 0, 0);
    Application application{id, {}, {}, false};
    QString type, localName, languageName;
    bool hidden = false, inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (inEntry)
                break;
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Name"))
            application.name = value;
        else if (key == QStringLiteral("Name[%1]").arg(locale))
            localName = value;
        else if (key == QStringLiteral("Name[%1]").arg(language))
            languageName = value;
        else if (key == QLatin1String("Icon"))
            application.icon = value;
        else if (key == QLatin1String("NoDisplay"))
            application.noDisplay = value == QLatin1String("true");
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
    }
    if (!localName.isEmpty())
        application.name = localName;
    else if (!languageName.isEmpty())
        application.name = languageName;
    if (type != QLatin1String("Application") || hidden || application.name.isEmpty())
        return std::nullopt;
    return application;
}

QIcon InstalledApplications::icon(const QString& name)
{
    if (QFileInfo(name).isAbsolute())
        return QIcon(name);
    QIcon icon = name.isEmpty() ? QIcon() : SettingsForm::themeIcon(name);
    return icon.isNull() ? SettingsForm::themeIcon(QStringLiteral("application-x-executable")) : icon;
}
