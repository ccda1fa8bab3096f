#include "core/log/EventLog.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}
}

// The log files as another process (or a disk error) may have left them: the
// input up to its first NUL is events.1.log, the rest events.log.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    static EventLog log(folder.path());
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    writeFile(log.previousFile(), split < 0 ? QByteArray() : bytes.left(split));
    writeFile(log.currentFile(), split < 0 ? bytes : bytes.mid(split + 1));
    const int limit = size > 0 ? data[0] % 8 : 0;
    if (log.recentLines(QDateTime(QDate(2020, 1, 1), QTime(0, 0)), limit).size() > limit)
        std::abort();
    if (!log.logSection(3650, 20).startsWith(QStringLiteral("Log, last 3650 days")))
        std::abort();
    return 0;
}
