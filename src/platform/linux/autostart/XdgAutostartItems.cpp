#include "platform/linux/autostart/XdgAutostartItems.h"

#include "platform/linux/autostart/DesktopEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString kAppId = QStringLiteral("app.momentra.Momentra");

// Folders whose contents do not outlive a reboot or are cleaned behind our back.
QStringList temporaryFolders()
{
    QStringList folders{QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp"),
                        QStringLiteral("/dev/shm")};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        folders += runtime;
    return folders;
}

bool isInside(const QString& path, const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return !canonical.isEmpty() && canonical != u'/' && path.startsWith(canonical + u'/');
}

}  // namespace

XdgAutostartItems::XdgAutostartItems()
    : XdgAutostartItems(standardEntryPath(), QCoreApplication::applicationFilePath())
{
}

XdgAutostartItems::XdgAutostartItems(QString entryPath, QString executable)
    : m_entryPath(std::move(entryPath))
    , m_executable(std::move(executable))
{
}

QString XdgAutostartItems::standardEntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/") + kAppId + QStringLiteral(".desktop");
}

bool XdgAutostartItems::isGoneAtLogin(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isAbsolute() || !info.isFile() || !info.isExecutable())
        return true;
    const QString canonical = info.canonicalFilePath();
    const QStringList folders = temporaryFolders();
    return std::any_of(folders.begin(), folders.end(),
                       [&](const QString& folder) { return isInside(canonical, folder); });
}

LoginItems::Status XdgAutostartItems::status() const
{
    if (readEntry(nullptr) == Entry::Ours)
        return Status::Enabled;
    return isGoneAtLogin(m_executable) ? Status::NotFound : Status::NotRegistered;
}

Result<void> XdgAutostartItems::registerItem()
{
    if (isGoneAtLogin(m_executable))
        return Result<void>::failure(
            QStringLiteral("%1 will not be there at the next login").arg(QDir::toNativeSeparators(m_executable)));
    QString program;
    if (readEntry(&program) == Entry::Foreign)
        return Result<void>::failure(
            QStringLiteral("%1 already starts another program, %2; remove it or rename it first")
                .arg(m_entryPath, program));

    const QString folder = QFileInfo(m_entryPath).absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            return Result<void>::failure(QStringLiteral("could not create %1").arg(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents()) < 0 || !file.commit())
        return Result<void>::failure(QStringLiteral("could not write %1: %2").arg(m_entryPath, file.errorString()));
    // Only the path of the executable is in it: readable like every other entry there.
    QFile::setPermissions(m_entryPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return Result<void>::success();
}

Result<void> XdgAutostartItems::unregisterItem()
{
    const Entry entry = readEntry(nullptr);
    if (entry == Entry::None || entry == Entry::Foreign)
        return Result<void>::success();
    QFile file(m_entryPath);
    if (!file.remove())
        return Result<void>::failure(QStringLiteral("could not remove %1: %2").arg(m_entryPath, file.errorString()));
    return Result<void>::success();
}

XdgAutostartItems::Entry XdgAutostartItems::readEntry(QString* program) const
{
    QFile file(m_entryPath);
    if (!file.open(QIODevice::ReadOnly))
        return Entry::None;
    const DesktopEntry entry = DesktopEntry::parse(file.readAll());
    const QStringList arguments = entry.execArguments();
    if (arguments.isEmpty())
        return Entry::OursMissing;  // no program at all: ours to repair
    const QString first = arguments.first();
    if (program)
        *program = first;
    // A Flatpak install's entry starts `flatpak run … app.momentra.Momentra`.
    if (!isOurs(first) && !arguments.contains(kAppId))
        return Entry::Foreign;
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true")
        || entry.value(QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false"))
        return Entry::OursHidden;
    const QString resolved = first.contains(u'/') ? first : QStandardPaths::findExecutable(first);
    if (!QFileInfo(resolved).isFile() || !QFileInfo(resolved).isExecutable())
        return Entry::OursMissing;
    return Entry::Ours;
}

bool XdgAutostartItems::isOurs(const QString& program) const
{
    if (program.isEmpty())
        return false;
    return program == m_executable || QFileInfo(program).fileName() == QLatin1String("momentra");
}

QByteArray XdgAutostartItems::contents() const
{
    const QStringList lines{
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Name=Momentra"),
        QStringLiteral("Comment=Keeps a visual record of your day"),
        QStringLiteral("Exec=") + DesktopEntry::execLine({m_executable}),
        QStringLiteral("Icon=") + kAppId,
        QStringLiteral("Terminal=false"),
        QStringLiteral("X-GNOME-Autostart-enabled=true"),
        QStringLiteral("X-GNOME-Autostart-Delay=%1").arg(kDelaySeconds),
    };
    return (lines.join(u'\n') + u'\n').toUtf8();
}
