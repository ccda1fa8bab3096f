#include "support/core/CleanupFakeTrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

CleanupFakeTrash::CleanupFakeTrash(QString folder)
    : m_folder(std::move(folder))
{
    QDir().mkpath(m_folder);
}

Result<QString> CleanupFakeTrash::moveByRenaming(const QString& path) const
{
    const QString target = m_folder + QLatin1Char('/') + QString::number(m_calls) + QLatin1Char('_')
                           + QFileInfo(path).fileName();
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0)
        return Result<QString>::failure(QStringLiteral("rename failed"));
    return target;
}

Result<QString> CleanupFakeTrash::moveToTrash(const QString& path)
{
    const int running = ++m_running;
    int most = m_mostAtOnce;
    while (running > most && !m_mostAtOnce.compare_exchange_weak(most, running)) {
    }
    const int call = ++m_calls;
    {
        std::lock_guard lock(m_mutex);
        m_received << path;
    }
    Result<QString> result = m_behaviour ? m_behaviour(path, call) : moveByRenaming(path);
    --m_running;
    return result;
}

QStringList CleanupFakeTrash::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}
