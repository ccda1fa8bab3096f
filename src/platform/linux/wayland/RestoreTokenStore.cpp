#include "platform/linux/wayland/RestoreTokenStore.h"

#include "core/log/EventLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

namespace {

constexpr qint64 kMaxTokenBytes = 256;

}  // namespace

RestoreTokenStore::RestoreTokenStore(QString path)
    : m_path(std::move(path))
{
}

QString RestoreTokenStore::standardPath()
{
    return EventLog::defaultFolder() + QStringLiteral("/screencast-restore-token");
}

bool RestoreTokenStore::isWellFormed(const QString& token)
{
    return token.size() == 36 && !QUuid::fromString(token).isNull();
}

QString RestoreTokenStore::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(kMaxTokenBytes)).trimmed();
}

RestoreTokenStore::State RestoreTokenStore::state() const
{
    if (!QFileInfo::exists(m_path))
        return State::Missing;
    return isWellFormed(read()) ? State::Valid : State::Corrupt;
}

std::optional<QString> RestoreTokenStore::load() const
{
    const QString token = read();
    if (!isWellFormed(token))
        return std::nullopt;
    return token;
}

bool RestoreTokenStore::save(const QString& token)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(m_path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(token.toUtf8() + '\n');
    return file.commit();
}

void RestoreTokenStore::forget()
{
    QFile::remove(m_path);
}
