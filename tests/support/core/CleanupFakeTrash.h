#pragma once

#include "core/cleanup/Trash.h"

#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>

// A Trash for cleanup tests whose behaviour each test scripts. By default it
// moves the file into a folder of its own, like a real Trash would.
class CleanupFakeTrash : public Trash
{
public:
    using Behaviour = std::function<Result<QString>(const QString& path, int call)>;

    explicit CleanupFakeTrash(QString folder);

    void setBehaviour(Behaviour behaviour) { m_behaviour = std::move(behaviour); }
    Result<QString> moveByRenaming(const QString& path) const;

    Result<QString> moveToTrash(const QString& path) override;

    QStringList received() const;
    int calls() const { return m_calls; }
    int mostAtOnce() const { return m_mostAtOnce; }

private:
    QString m_folder;
    Behaviour m_behaviour;
    mutable std::mutex m_mutex;
    QStringList m_received;
    std::atomic<int> m_calls{0};
    std::atomic<int> m_running{0};
    std::atomic<int> m_mostAtOnce{0};
};
