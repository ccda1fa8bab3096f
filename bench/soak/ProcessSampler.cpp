#include "ProcessSampler.h"

#include <QDir>
#include <QFile>

#include <algorithm>

#include <unistd.h>

ProcessSampler::ProcessSampler(pid_t pid)
    : m_pid(pid)
{
}

bool ProcessSampler::sample(double seconds)
{
    const QString proc = QStringLiteral("/proc/%1/").arg(m_pid);
    QFile status(proc + QStringLiteral("status"));
    QFile stat(proc + QStringLiteral("stat"));
    if (!status.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
        return false;
    Sample s;
    s.seconds = seconds;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            s.residentKiB = line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    const QByteArray text = stat.readAll();
    // Fields after the parenthesised command name; utime and stime are the 14th and 15th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return false;
    s.cpuSeconds = (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    s.descriptors = int(QDir(proc + QStringLiteral("fd")).entryList(QDir::System | QDir::NoDotAndDotDot).size());
    m_samples.append(s);
    return true;
}

qint64 ProcessSampler::medianResidentKiB(double from, double to) const
{
    QList<qint64> values;
    for (const Sample& s : m_samples) {
        if (s.seconds >= from && s.seconds < to)
            values.append(s.residentKiB);
    }
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}
