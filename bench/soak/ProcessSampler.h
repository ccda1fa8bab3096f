#pragma once

#include <QList>

#include <sys/types.h>

// Samples a running process from /proc: resident memory, open descriptors
// and CPU time.
class ProcessSampler
{
public:
    struct Sample
    {
        double seconds = 0;  // since the sampler started
        qint64 residentKiB = 0;
        int descriptors = 0;
        double cpuSeconds = 0;  // user plus system, all threads
    };

    explicit ProcessSampler(pid_t pid);
    bool sample(double seconds);  // false once the process is gone
    const QList<Sample>& samples() const { return m_samples; }

    // The median of resident memory over the samples in [from, to) seconds.
    qint64 medianResidentKiB(double from, double to) const;

private:
    pid_t m_pid;
    QList<Sample> m_samples;
};
