#pragma once

#include "core/cleanup/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

// A Trash for cleanup tests whose behaviour each test scripts. By default it
// moves the file into a folder of its own, like a real Trash would.
class CleanupFakeTrash : public Trash
{
public:
    using Behaviour = std::function<Result<QString>(const QString& path, int call)>;

    explicit CleanupFakeTrash(QString folder)
        : m_folder(std::move(folder))
    {
        QDir().mkpath(m_folder);
    }

    void setBehaviour(Behaviour behaviour) { m_behaviour = std::move(behaviour); }
    Result<QString> moveByRenaming(const QByteArray& path) const
    {
        const QByteArray target = QFile::encodeName(m_folder) + '/' + QByteArray::number(m_calls) + '_'
                                  + path.mid(path.lastIndexOf('/') + 1);
        if (std::rename(path.constData(), target.constData()) != 0)
            return Result<QString>::failure(QStringLiteral("rename failed"));
        return QFile::decodeName(target);
    }
    Result<QString> moveByRenaming(const QString& path) const { return moveByRenaming(QFile::encodeName(path)); }

    Result<QString> moveToTrash(const QByteArray& path) override
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
        Result<QString> result = m_behaviour ? m_behaviour(QFile::decodeName(path), call) : moveByRenaming(path);
        --m_running;
        return result;
    }

    QByteArrayList received() const
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    int calls() const { return m_calls; }
    int mostAtOnce() const { return m_mostAtOnce; }

private:
    QString m_folder;
    Behaviour m_behaviour;
    mutable std::mutex m_mutex;
    QByteArrayList m_received;
    std::atomic<int> m_calls{0};
    std::atomic<int> m_running{0};
    std::atomic<int> m_mostAtOnce{0};
};
