#pragma once

#include <QString>

#include <sys/types.h>

// A private Xvfb for the benchmark, with its process id so that the
// server's own CPU time can be read from /proc.
class BenchXServer
{
public:
    ~BenchXServer();
    bool start(int width, int height);
    void stop();
    QString display() const { return m_display; }
    // User plus system CPU time of the server so far, in milliseconds.
    double cpuMilliseconds() const;

private:
    pid_t m_pid = 0;
    QString m_display;
};
