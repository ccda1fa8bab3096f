#include "platform/linux/x11/AppIdResolver.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
constexpr qint64 kMaximumSmallFile = 64 * 1024;

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kMaximumSmallFile);
}

// Value of `key` in the first `[group]` of a desktop-entry style file.
QString keyInGroup(const QByteArray& text, const QByteArray& group, const QByteArray& key)
{
    bool inGroup = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            if (inGroup)
                break;
            inGroup = line == '[' + group + ']';
            continue;
        }
        const int equals = line.indexOf('=');
        if (inGroup && equals > 0 && line.left(equals).trimmed() == key)
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return {};
}
}

QString AppIdResolver::resolve(const WindowFacts& facts)
{
    if (!facts.gtkApplicationId.isEmpty())
        return QString::fromUtf8(facts.gtkApplicationId).remove(QChar(u'\0'));
    if (const QString id = desktopIdFromHint(facts.kdeDesktopFile); !id.isEmpty())
        return id;
    if (const QString id = fromStartupWmClass(facts.wmClass); !id.isEmpty())
        return id;
    if (const QString id = fromProcess(facts.pid); !id.isEmpty())
        return id;
    return windowClass(facts.wmClass);
}

QString AppIdResolver::fromAppId(const QString& appId)
{
    const QString id = desktopIdFromHint(appId.toUtf8());
    if (id.isEmpty()
        || !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id + QStringLiteral(".desktop")).isEmpty())
        return id;
    const QString matched = fromStartupWmClass(id.toUtf8() + '\0' + id.toUtf8());
    return matched.isEmpty() ? id : matched;
}

QString AppIdResolver::fromCgroup(const QByteArray& cgroupText)
{
    // Units are "app[-<launcher>]-<id>-<random>.scope" or "app[-<launcher>]-<id>[@<random>].service".
    static const QRegularExpression unit(
        QStringLiteral(R"((?:^|/)app-([^/]+?)(?:-[^-/]+\.scope|(?:@[^/]*)?\.service)(?:/|$))"));
    for (const QByteArray& line : cgroupText.split('\n')) {
        const QString path = QString::fromUtf8(line.mid(line.lastIndexOf(':') + 1));
        QString name;
        for (auto it = unit.globalMatch(path); it.hasNext();)
            name = it.next().captured(1);  // the innermost app unit
        if (name.isEmpty())
            continue;
        const int dash = name.indexOf(QChar(u'-'));
        // A launcher prefix ("gnome", "flatpak", "kde") has no dot; an application id has.
        if (dash > 0 && !name.left(dash).contains(QChar(u'.')))
            name = name.mid(dash + 1);
        return unescapeUnitName(name);
    }
    return {};
}

QString AppIdResolver::fromFlatpakInfo(const QByteArray& text)
{
    return keyInGroup(text, "Application", "name");
}

QString AppIdResolver::desktopIdFromHint(const QByteArray& hint)
{
    QString id = QString::fromUtf8(hint).remove(QChar(u'\0')).trimmed();
    if (id.contains(QChar(u'/')))
        id = QFileInfo(id).fileName();
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id;
}

QString AppIdResolver::windowClass(const QByteArray& wmClass)
{
    const QList<QByteArray> parts = wmClass.split('\0');
    return parts.size() > 1 ? QString::fromUtf8(parts.at(1)) : QString();
}

QString AppIdResolver::fromStartupWmClass(const QByteArray& wmClass)
{
    const QList<QByteArray> parts = wmClass.split('\0');
    if (parts.size() < 2)
        return {};
    QMutexLocker lock(&m_lock);
    refreshDesktopIndex();
    for (const QByteArray& name : {parts.at(1), parts.at(0)}) {
        const QString id = m_idsByWmClass.value(QString::fromUtf8(name).toLower());
        if (!id.isEmpty())
            return id;
    }
    return {};
}

QString AppIdResolver::fromProcess(quint32 pid)
{
    if (pid == 0)
        return {};
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    if (const QString id = fromFlatpakInfo(readSmallFile(proc + QStringLiteral("root/.flatpak-info"))); !id.isEmpty())
        return id;
    return fromCgroup(readSmallFile(proc + QStringLiteral("cgroup")));
}

void AppIdResolver::refreshDesktopIndex()
{
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    QList<QDateTime> times;
    for (const QString& folder : folders)
        times.append(QFileInfo(folder).lastModified());
    if (folders == m_indexedFolders && times == m_indexedTimes)
        return;
    m_indexedFolders = folders;
    m_indexedTimes = times;
    m_idsByWmClass.clear();
    // Earlier folders win, as they do for desktop-file ids.
    for (auto folder = folders.crbegin(); folder != folders.crend(); ++folder) {
        const QDir base(*folder);
        QDirIterator it(*folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString wmClass = keyInGroup(readSmallFile(path), "Desktop Entry", "StartupWMClass");
            if (wmClass.isEmpty())
                continue;
            QString id = base.relativeFilePath(path);
            id.chop(8);
            m_idsByWmClass.insert(wmClass.toLower(), id.replace(QChar(u'/'), QChar(u'-')));
        }
    }
}

QString AppIdResolver::unescapeUnitName(const QString& text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QChar(u'\\') && i + 3 < text.size() && text.at(i + 1) == QChar(u'x')) {
            bool ok = false;
            const int code = text.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(QChar(code));
                i += 3;
                continue;
            }
        }
        out.append(text.at(i));
    }
    return out;
}
