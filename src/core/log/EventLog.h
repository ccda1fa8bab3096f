#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class SystemLogMirror;

// The application's activity record: one short line per event, appended to
// events.log in the log folder (rotated into events.1.log at 512 KiB) and
// mirrored to the system log. log() and logError() return at once from any
// thread; one serial worker writes the file, so lines keep their order.
class EventLog
{
public:
    static constexpr qint64 kSizeLimit = 524288;
    static const QString kApp;     // "app"
    static const QString kEngine;  // "engine"

    static QString defaultFolder();  // $XDG_STATE_HOME/Momentra (~/.local/state/Momentra)

    // sizeLimit is for tests that need a log that never rotates.
    explicit EventLog(QString folder, qint64 sizeLimit = kSizeLimit);
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    void log(const QString& message, const QString& category = kEngine);
    void logError(const QString& message, const QString& category = kEngine);
    void flush();  // waits until every line reported before the call is written

    QStringList recentLines(const QDateTime& since, int limit) const;
    QString logSection(int days, int maxLines);

    QString folder() const { return m_folder; }
    QString currentFile() const;   // events.log
    QString previousFile() const;  // events.1.log

    void setMirror(std::shared_ptr<SystemLogMirror> mirror);

    static QString formatLine(const QDateTime& at, const QString& category, const QString& message);
    static QString withHomeAbbreviated(const QString& text);

private:
    struct Entry
    {
        QDateTime at;
        QString category;
        QString message;
    };

    void report(const QString& message, const QString& category, bool isError);
    void run();
    void append(const Entry& entry);

    const QString m_folder;
    const qint64 m_sizeLimit;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    std::deque<Entry> m_queue;
    quint64 m_submitted = 0;
    quint64 m_done = 0;
    bool m_quit = false;
    std::shared_ptr<SystemLogMirror> m_mirror;
    std::thread m_worker;
};
