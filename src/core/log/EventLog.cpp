#include "core/log/EventLog.h"

#include "core/FileDescriptor.h"
#include "core/WriteAll.h"
#include "core/log/SystemLogMirror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const QString EventLog::kApp = QStringLiteral("app");
const QString EventLog::kEngine = QStringLiteral("engine");

namespace {

const QString kTimestampPattern = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool hasTimestamp(const QString& line)
{
    if (line.size() < 19)
        return false;
    for (int i = 0; i < 19; ++i) {
        const char16_t c = line.at(i).unicode();
        switch (i) {
        case 4:
        case 7:
            if (c != '-')
                return false;
            break;
        case 10:
            if (c != ' ')
                return false;
            break;
        case 13:
        case 16:
            if (c != ':')
                return false;
            break;
        default:
            if (c < '0' || c > '9')
                return false;
        }
    }
    return true;
}

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace

QString EventLog::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Momentra");
}

EventLog::EventLog(QString folder, qint64 sizeLimit)
    : m_folder(std::move(folder))
    , m_sizeLimit(sizeLimit)
    , m_worker([this] { run(); })
{
}

EventLog::~EventLog()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

QString EventLog::currentFile() const
{
    return m_folder + QStringLiteral("/events.log");
}

QString EventLog::previousFile() const
{
    return m_folder + QStringLiteral("/events.1.log");
}

void EventLog::setMirror(std::shared_ptr<SystemLogMirror> mirror)
{
    std::lock_guard lock(m_mutex);
    m_mirror = std::move(mirror);
}

void EventLog::log(const QString& message, const QString& category)
{
    report(message, category, false);
}

void EventLog::logError(const QString& message, const QString& category)
{
    report(message, category, true);
}

void EventLog::report(const QString& message, const QString& category, bool isError)
{
    std::shared_ptr<SystemLogMirror> mirror;
    {
        std::lock_guard lock(m_mutex);
        mirror = m_mirror;
    }
    if (mirror)
        mirror->write(message, isError);
    Entry entry{QDateTime::currentDateTime(), category, message};
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(entry));
        ++m_submitted;
    }
    m_wake.notify_one();
}

void EventLog::flush()
{
    std::unique_lock lock(m_mutex);
    const quint64 target = m_submitted;
    m_written.wait(lock, [&] { return m_done >= target; });
}

void EventLog::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty() && m_quit)
            return;
        std::deque<Entry> batch;
        batch.swap(m_queue);
        lock.unlock();
        for (const Entry& entry : batch)
            append(entry);
        lock.lock();
        m_done += batch.size();
        m_written.notify_all();
    }
}

QString EventLog::withHomeAbbreviated(const QString& text)
{
    const QString home = QDir::homePath();
    if (home.isEmpty() || home == QLatin1String("/"))
        return text;
    QString out = text;
    return out.replace(home, QStringLiteral("~"));
}

QString EventLog::formatLine(const QDateTime& at, const QString& category, const QString& message)
{
    QString text = message;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QLocale::c().toString(at, kTimestampPattern) + QStringLiteral(" [") + category + QStringLiteral("] ")
           + withHomeAbbreviated(text);
}

// Opened, appended and closed for every line, so another process writing the
// same log (the command line beside the tray app) never loses lines to a stale
// handle. Every error is swallowed: logging never fails towards its caller.
void EventLog::append(const Entry& entry)
{
    if (!QFileInfo::exists(m_folder) && QDir().mkpath(m_folder))
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray current = QFile::encodeName(currentFile());
    struct stat info
    {
    };
    if (::stat(current.constData(), &info) == 0 && info.st_size >= m_sizeLimit) {
        const QByteArray previous = QFile::encodeName(previousFile());
        ::unlink(previous.constData());
        ::rename(current.constData(), previous.constData());
    }
    const QByteArray bytes = formatLine(entry.at, entry.category, entry.message).toUtf8() + '\n';
    const FileDescriptor fd(::open(current.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (fd.isOpen())
        writeAll(fd.get(), bytes);
}

QStringList EventLog::recentLines(const QDateTime& since, int limit) const
{
    const QString text = readText(previousFile()) + QLatin1Char('\n') + readText(currentFile());
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString cutoff = QLocale::c().toString(since, kTimestampPattern);
    qsizetype first = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (hasTimestamp(lines[i]) && lines[i].left(19) >= cutoff) {
            first = i;
            break;
        }
    }
    if (first < 0 || limit <= 0)
        return {};
    const qsizetype start = std::max(first, lines.size() - limit);
    return lines.mid(start);
}

QString EventLog::logSection(int days, int maxLines)
{
    flush();
    const QDateTime since = QDateTime::currentDateTime().addSecs(-qint64(days) * 24 * 60 * 60);
    const QStringList lines = recentLines(since, maxLines);
    QStringList block;
    block << QStringLiteral("Log, last %1 days, newest %2 lines at most (%3):")
                 .arg(days)
                 .arg(maxLines)
                 .arg(withHomeAbbreviated(m_folder));
    if (lines.isEmpty())
        block << QStringLiteral("No log entries found.");
    else
        block << lines;
    return block.join(QLatin1Char('\n'));
}
